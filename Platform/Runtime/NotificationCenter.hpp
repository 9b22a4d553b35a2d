#pragma once

#include <any>
#include <compare>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace tvk {

/// One posted notification. `object` is the sender's identity (compared by address, never
/// dereferenced by the centre); `userInfo` carries optional payload values.
struct Notification {
    std::string name;
    const void* object = nullptr;
    std::map<std::string, std::any> userInfo;
};

/// What `addObserver` returns; hand it to `removeObserver` to end the registration.
struct ObserverToken {
    std::uint64_t value = 0;
    auto operator<=>(const ObserverToken&) const = default;
};

/// An in-process notification centre with block observers.
///
/// Blocks run synchronously on the posting thread, in registration order. The centre is safe
/// to use from any thread, and a block may post, add observers or remove any observer (itself
/// included) while it runs: a post delivers to the observers registered when it started that
/// have not been removed by the time their turn comes.
///
/// Once `removeObserver` returns, the block is not running anywhere and never runs again, so
/// an owner may remove its observers and then go: the call waits for runs of the block on
/// other threads to end (a block that removes its own observer does not wait for itself). A
/// block must therefore not wait for a thread that may be removing its observer.
class NotificationCenter {
public:
    using Block = std::function<void(const Notification&)>;

    static NotificationCenter& defaultCenter();

    NotificationCenter() = default;
    NotificationCenter(const NotificationCenter&) = delete;
    NotificationCenter& operator=(const NotificationCenter&) = delete;

    /// Observes notifications with `name` (every name when absent) and from `object` (any
    /// sender when null).
    ObserverToken addObserver(std::optional<std::string> name, const void* object, Block block);
    void removeObserver(ObserverToken token);

    void post(const Notification& notification);
    void post(std::string name, const void* object = nullptr, std::map<std::string, std::any> userInfo = {});

    /// The number of live registrations, for diagnostics and tests.
    size_t observerCount() const;
    /// The number of `removeObserver` calls waiting for a block to end, for tests.
    size_t waitingRemovalCount() const;

private:
    struct Observer {
        ObserverToken token;
        std::optional<std::string> name;
        const void* object;
        Block block;
        bool removed = false;
        /// The threads running the block now, once per run (a block may post again).
        std::vector<std::thread::id> runningOn;
    };

    mutable std::mutex m_mutex;
    std::condition_variable m_blockEnded;
    std::vector<std::shared_ptr<Observer>> m_observers;
    std::uint64_t m_nextToken = 1;
    size_t m_waitingRemovals = 0;
};

}
