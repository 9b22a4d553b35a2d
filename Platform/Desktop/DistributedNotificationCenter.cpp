#include "Platform/Desktop/DistributedNotificationCenter.hpp"

#include "Platform/Desktop/SessionBus.hpp"
#include "Platform/Runtime/DispatchQueue.hpp"
#include "Platform/Runtime/PlatformLog.hpp"
#include "Platform/Runtime/ProcessWideState.hpp"

#include <gio/gio.h>

#include <algorithm>

namespace tvk {

struct DistributedNotificationCenter::Observer {
    ObserverToken token;
    const void* owner;
    std::optional<std::string> name;
    std::optional<std::string> object;
    Block block;
    bool removed = false;

    bool matches(const DistributedNotification& notification) const
    {
        return (!name || *name == notification.name) && (!object || *object == notification.object);
    }
};

DistributedNotificationCenter& DistributedNotificationCenter::defaultCenter()
{
    static auto* center = [] {
        auto* made = new DistributedNotificationCenter;
        ProcessWideState::onReset([made] { made->removeAllObservers(); });
        return made;
    }();
    return *center;
}

DistributedNotificationCenter::DistributedNotificationCenter() = default;

DistributedNotificationCenter::~DistributedNotificationCenter()
{
    if (m_connection) {
        g_dbus_connection_signal_unsubscribe(m_connection, m_subscription);
        g_object_unref(m_connection);
    }
}

bool DistributedNotificationCenter::subscribe()
{
    std::lock_guard lock(m_subscriptionMutex);
    if (m_connection)
        return true;
    GDBusConnection* connection = SessionBus::connection("cannot observe distributed notifications");
    if (!connection)
        return false;
    // One match rule for the whole interface; names and objects are filtered here, so that
    // observers come and go without traffic to the bus daemon.
    unsigned subscription = g_dbus_connection_signal_subscribe(connection, nullptr, interfaceName, signalName, objectPath, nullptr,
        G_DBUS_SIGNAL_FLAGS_NONE, &DistributedNotificationCenter::onSignal, this, nullptr);
    // The match rule travels to the daemon without an answer. The daemon handles a
    // connection's messages in order, so once it has answered a later call, it routes every
    // signal posted from now on to us.
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_sync(connection, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
        "GetId", nullptr, G_VARIANT_TYPE("(s)"), G_DBUS_CALL_FLAGS_NONE, SessionBus::callTimeoutMilliseconds, nullptr, &error);
    if (!reply) {
        PlatformLog::warning(
            "D-Bus", std::string("cannot observe distributed notifications: ") + (error ? error->message : "unknown error"));
        g_clear_error(&error);
        g_dbus_connection_signal_unsubscribe(connection, subscription);
        g_object_unref(connection);
        return false;
    }
    g_variant_unref(reply);
    m_connection = connection;
    m_subscription = subscription;
    return true;
}

std::optional<ObserverToken> DistributedNotificationCenter::addObserver(
    std::optional<std::string> name, std::optional<std::string> object, Block block)
{
    return add(nullptr, std::move(name), std::move(object), std::move(block));
}

std::optional<ObserverToken> DistributedNotificationCenter::add(
    const void* owner, std::optional<std::string> name, std::optional<std::string> object, Block block)
{
    if (!subscribe())
        return std::nullopt;
    std::lock_guard lock(m_mutex);
    auto observer = std::make_shared<Observer>(
        Observer { ObserverToken { m_nextToken++ }, owner, std::move(name), std::move(object), std::move(block) });
    m_observers.push_back(observer);
    return observer->token;
}

void DistributedNotificationCenter::removeObserver(ObserverToken token)
{
    std::lock_guard lock(m_mutex);
    std::erase_if(m_observers, [&](const std::shared_ptr<Observer>& observer) {
        if (observer->token != token)
            return false;
        observer->removed = true;
        return true;
    });
}

void DistributedNotificationCenter::removeObserver(const void* owner)
{
    if (!owner)
        return;
    std::lock_guard lock(m_mutex);
    std::erase_if(m_observers, [&](const std::shared_ptr<Observer>& observer) {
        if (observer->owner != owner)
            return false;
        observer->removed = true;
        return true;
    });
}

void DistributedNotificationCenter::removeAllObservers()
{
    std::lock_guard lock(m_mutex);
    for (auto& observer : m_observers)
        observer->removed = true;
    m_observers.clear();
}

size_t DistributedNotificationCenter::observerCount() const
{
    std::lock_guard lock(m_mutex);
    return m_observers.size();
}

bool DistributedNotificationCenter::post(const std::string& name, const std::string& object)
{
    if (!g_utf8_validate(name.data(), static_cast<gssize>(name.size()), nullptr)
        || !g_utf8_validate(object.data(), static_cast<gssize>(object.size()), nullptr)) {
        PlatformLog::warning("D-Bus", "not posting a distributed notification whose name or object is not UTF-8 text");
        return false;
    }
    GDBusConnection* connection = SessionBus::connection("cannot post distributed notifications");
    if (!connection)
        return false;
    GError* error = nullptr;
    bool sent = g_dbus_connection_emit_signal(
                    connection, nullptr, objectPath, interfaceName, signalName, g_variant_new("(ss)", name.c_str(), object.c_str()), &error)
        // Emitting only queues the message; a program that posts and then exits must not lose it.
        && g_dbus_connection_flush_sync(connection, nullptr, &error);
    if (!sent)
        PlatformLog::warning("D-Bus", "could not post \"" + name + "\": " + (error ? error->message : "unknown error"));
    g_clear_error(&error);
    g_object_unref(connection);
    return sent;
}

void DistributedNotificationCenter::onSignal(
    GDBusConnection*, const char*, const char*, const char*, const char*, GVariant* parameters, void* center)
{
    // Anyone on the bus can emit under our interface; a signal of another shape is not ours
    // to interpret.
    if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(ss)")))
        return;
    const gchar* name = nullptr;
    const gchar* object = nullptr;
    g_variant_get(parameters, "(&s&s)", &name, &object);
    DistributedNotification notification { name, object };
    auto* self = static_cast<DistributedNotificationCenter*>(center);
    // The subscription was made where the main context is the thread's default, so this runs
    // on the main thread; a subscription made under another thread-default context still
    // delivers on the main queue.
    if (DispatchQueue::isMainThread())
        self->deliver(notification);
    else
        DispatchQueue::main().async([self, notification] { self->deliver(notification); });
}

void DistributedNotificationCenter::deliver(const DistributedNotification& notification)
{
    std::vector<std::shared_ptr<Observer>> recipients;
    {
        std::lock_guard lock(m_mutex);
        for (const auto& observer : m_observers) {
            if (observer->matches(notification))
                recipients.push_back(observer);
        }
    }
    for (const auto& observer : recipients) {
        {
            std::lock_guard lock(m_mutex);
            if (observer->removed)
                continue;
        }
        observer->block(notification);
    }
}

}
