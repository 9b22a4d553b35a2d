#pragma once

#include "Platform/Widgets/TimelineReloadPolicy.hpp"

#include <vector>

namespace tvk::widgets {

/// What a provider hands the host: entries, each shown from its `date` until the next one's,
/// and when to ask again.
template <class Entry> struct Timeline {
    std::vector<Entry> entries;
    TimelineReloadPolicy policy = TimelineReloadPolicy::atEnd();

    bool operator==(const Timeline&) const = default;
};

}
