#pragma once

#include "Platform/Calendar/StoreEvent.hpp"
#include "TVKCore/Events/Event.hpp"

#include <mutex>
#include <string>
#include <tuple>
#include <unordered_map>

namespace tvk {

/// The events schedule builds made of store events, for the builds after them. Making an event
/// searches its texts for links and reads every participant; a store event equal to one met
/// in the build before gives the same event, so a week that did not change costs a lookup and
/// a comparison per event (the comparison is cheap: an unchanged store event shares its
/// attendees with the one kept here).
///
/// Builds are remembered from the second on: a process that builds once keeps nothing. What a
/// build did not meet is forgotten when it ends. Safe to use from any thread.
class MadeEvents {
public:
    /// The event of `storeEvent`, as `Event::fromCalendarEvent` makes it.
    Event event(const StoreEvent& storeEvent);
    /// Ends a build.
    void finishBuild();

private:
    /// Calendar item, start, occurrence: one occurrence of one item.
    using Key = std::tuple<std::string, double, double>;
    struct KeyHash {
        size_t operator()(const Key& key) const noexcept;
    };
    struct Made {
        StoreEvent source;
        Event event;
        size_t build = 0;
    };
    static Key keyOf(const StoreEvent& storeEvent);

    std::mutex m_mutex;
    std::unordered_map<Key, Made, KeyHash> m_made;
    /// Builds finished so far; the one under way has this number.
    size_t m_builds = 0;
};

}
