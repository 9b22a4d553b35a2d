#pragma once

#include "Platform/Runtime/NotificationCenter.hpp"

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

typedef struct _GDBusConnection GDBusConnection;
typedef struct _GVariant GVariant;

namespace tvk {

/// A notification that crossed process boundaries: its name and the sender's identity, a
/// free text that by convention is the posting application's bundle identifier.
struct DistributedNotification {
    std::string name;
    std::string object;

    bool operator==(const DistributedNotification&) const = default;
};

/// Notifications between the programs of one desktop session, carried as D-Bus signals on the
/// session bus. The wire form is fixed so that the main application and shell scripts can
/// post and listen:
///
///     object path  /com/quillmoor/DistributedNotifications
///     interface    com.quillmoor.DistributedNotifications
///     signal       Notification (name: s, object: s), broadcast (no destination)
///
/// e.g. `gdbus emit --session --object-path /com/quillmoor/DistributedNotifications
///       --signal com.quillmoor.DistributedNotifications.Notification killLauncher com.quillmoor.tarvik`.
///
/// The object string is whatever the poster claims; the bus does not vouch for it, just as
/// any program of the session may post under any sender name.
///
/// Observers run on the main queue (while the main context is iterated), in registration
/// order, including for notifications this process posted itself. Once `addObserver`
/// returns, every notification posted afterwards by any process reaches the observer: the
/// registration is confirmed with the bus daemon before the call returns. Thread-safe; an
/// observer may post, add or remove observers (itself included) while it runs.
class DistributedNotificationCenter {
public:
    using Block = std::function<void(const DistributedNotification&)>;

    static constexpr const char* objectPath = "/com/quillmoor/DistributedNotifications";
    static constexpr const char* interfaceName = "com.quillmoor.DistributedNotifications";
    static constexpr const char* signalName = "Notification";

    /// The process's centre; it lives until the process ends. `ProcessWideState::reset()`
    /// ends its registrations, as a new process has none.
    static DistributedNotificationCenter& defaultCenter();

    DistributedNotificationCenter();
    ~DistributedNotificationCenter();
    DistributedNotificationCenter(const DistributedNotificationCenter&) = delete;
    DistributedNotificationCenter& operator=(const DistributedNotificationCenter&) = delete;

    /// Observes notifications named `name` (any name when none) whose object equals `object`
    /// (any object when none). Returns none, and registers nothing, when the session bus
    /// cannot be reached (logged): such an observer could never be called.
    std::optional<ObserverToken> addObserver(std::optional<std::string> name, std::optional<std::string> object, Block block);

    /// The selector form: calls `selector` on `observer` for each matching notification.
    /// `removeObserver(observer)` ends every registration made for `observer`; do it before
    /// `observer` goes away.
    template <typename Observer>
    std::optional<ObserverToken> addObserver(
        Observer& observer, void (Observer::*selector)(), std::optional<std::string> name, std::optional<std::string> object)
    {
        return add(&observer, std::move(name), std::move(object),
            [&observer, selector](const DistributedNotification&) { (observer.*selector)(); });
    }
    template <typename Observer>
    std::optional<ObserverToken> addObserver(Observer& observer, void (Observer::*selector)(const DistributedNotification&),
        std::optional<std::string> name, std::optional<std::string> object)
    {
        return add(&observer, std::move(name), std::move(object),
            [&observer, selector](const DistributedNotification& notification) { (observer.*selector)(notification); });
    }

    void removeObserver(ObserverToken token);
    void removeObserver(const void* observer);

    /// Broadcasts a notification to every observer in the session, this process's included.
    /// Returns once the signal has left the process; false (logged) when there is no session
    /// bus or a text is not valid UTF-8, which D-Bus cannot carry.
    bool post(const std::string& name, const std::string& object);

    /// The number of live registrations, for diagnostics and tests.
    size_t observerCount() const;

private:
    struct Observer;

    std::optional<ObserverToken> add(const void* owner, std::optional<std::string> name, std::optional<std::string> object, Block block);
    bool subscribe();
    void removeAllObservers();
    void deliver(const DistributedNotification& notification);
    static void onSignal(GDBusConnection*, const char* sender, const char* path, const char* interface, const char* signal,
        GVariant* parameters, void* center);

    mutable std::mutex m_mutex;
    std::mutex m_subscriptionMutex;
    std::vector<std::shared_ptr<Observer>> m_observers;
    std::uint64_t m_nextToken = 1;
    GDBusConnection* m_connection = nullptr;
    unsigned m_subscription = 0;
};

}
