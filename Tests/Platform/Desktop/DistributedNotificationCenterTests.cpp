// Runs on a private session bus (the test program is started through dbus-run-session).

#include "Platform/Desktop/DistributedNotificationCenter.hpp"

#include "Platform/Runtime/DispatchQueue.hpp"
#include "Platform/Runtime/PlatformLog.hpp"
#include "Platform/Runtime/ProcessWideState.hpp"
#include "Tests/Support/SessionBusPeers.hpp"

#include <gtest/gtest.h>

using namespace tvk;

namespace {

using Received = std::vector<DistributedNotification>;

// Records what reaches it and on which thread.
struct Recorder {
    Received received;
    bool allOnMainThread = true;

    DistributedNotificationCenter::Block block()
    {
        return [this](const DistributedNotification& notification) {
            allOnMainThread = allOnMainThread && DispatchQueue::isMainThread();
            received.push_back(notification);
        };
    }
};

// Posts `sentinel` and runs the main queue until `recorder` has seen it. Signals from one
// sender reach the observers in the order they were sent, so everything posted before by the
// same sender has been delivered (or dropped) by then.
void postSentinelAndWait(DistributedNotificationCenter& center, Recorder& recorder, const std::string& sentinel = "Sentinel")
{
    ASSERT_TRUE(center.post(sentinel, "sentinel"));
    ASSERT_TRUE(DispatchQueue::main().runUntil([&] {
        return !recorder.received.empty() && recorder.received.back() == DistributedNotification { sentinel, "sentinel" };
    }));
}

}

TEST(DistributedNotificationCenter, DeliversWhatAnotherProcessPostsOnTheMainQueue)
{
    auto& center = DistributedNotificationCenter::defaultCenter();
    Recorder recorder;
    auto token = center.addObserver("killLauncher", "com.quillmoor.tarvik", recorder.block());
    ASSERT_TRUE(token);
    // Registered means registered: a post that starts right now is not missed.
    ASSERT_TRUE(test::postFromAnotherProcess("killLauncher", "com.quillmoor.tarvik"));
    ASSERT_TRUE(DispatchQueue::main().runUntil([&] { return !recorder.received.empty(); }));
    EXPECT_EQ(recorder.received, (Received { { "killLauncher", "com.quillmoor.tarvik" } }));
    EXPECT_TRUE(recorder.allOnMainThread);
    // The process's centre outlives this recorder.
    center.removeObserver(*token);
}

TEST(DistributedNotificationCenter, AProcessResetEndsEveryRegistrationOfTheProcesssCentre)
{
    // What the test main does after each test, so that no observer holding a finished test's
    // locals hears the next test's notifications.
    auto& center = DistributedNotificationCenter::defaultCenter();
    Recorder recorder;
    ASSERT_TRUE(center.addObserver(std::nullopt, std::nullopt, recorder.block()));
    ProcessWideState::reset();
    EXPECT_EQ(center.observerCount(), 0u);
    Recorder later;
    auto token = center.addObserver(std::nullopt, std::nullopt, later.block());
    ASSERT_TRUE(token);
    postSentinelAndWait(center, later);
    EXPECT_TRUE(recorder.received.empty());
    center.removeObserver(*token);
}

TEST(DistributedNotificationCenter, FiltersByNameAndObjectAndDeliversInOrderIncludingOwnPosts)
{
    DistributedNotificationCenter center;
    Recorder byName, byObject, byBoth, everything;
    ASSERT_TRUE(center.addObserver("killLauncher", std::nullopt, byName.block()));
    ASSERT_TRUE(center.addObserver(std::nullopt, "com.quillmoor.tarvik", byObject.block()));
    ASSERT_TRUE(center.addObserver("killLauncher", "com.quillmoor.tarvik", byBoth.block()));
    ASSERT_TRUE(center.addObserver(std::nullopt, std::nullopt, everything.block()));

    EXPECT_TRUE(center.post("killLauncher", "com.example.other"));
    EXPECT_TRUE(center.post("KillLauncher", "com.quillmoor.tarvik"));
    EXPECT_TRUE(center.post("killLauncher", "com.quillmoor.tarvik"));
    EXPECT_TRUE(center.post("", "com.quillmoor.tarvik "));
    EXPECT_TRUE(center.post("Zeitzone ändern ✓", ""));
    postSentinelAndWait(center, everything);

    EXPECT_EQ(byName.received, (Received { { "killLauncher", "com.example.other" }, { "killLauncher", "com.quillmoor.tarvik" } }));
    EXPECT_EQ(byObject.received, (Received { { "KillLauncher", "com.quillmoor.tarvik" }, { "killLauncher", "com.quillmoor.tarvik" } }));
    EXPECT_EQ(byBoth.received, (Received { { "killLauncher", "com.quillmoor.tarvik" } }));
    EXPECT_EQ(everything.received,
        (Received { { "killLauncher", "com.example.other" }, { "KillLauncher", "com.quillmoor.tarvik" },
            { "killLauncher", "com.quillmoor.tarvik" }, { "", "com.quillmoor.tarvik " }, { "Zeitzone ändern ✓", "" },
            { "Sentinel", "sentinel" } }));
}

TEST(DistributedNotificationCenter, PostsInTheDocumentedWireForm)
{
    // A listener that knows nothing of our code: a connection of its own, subscribed to the
    // literal path, interface and member.
    GError* error = nullptr;
    gchar* address = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    ASSERT_TRUE(address) << error->message;
    GDBusConnection* listener = g_dbus_connection_new_for_address_sync(address,
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT | G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, &error);
    g_free(address);
    ASSERT_TRUE(listener) << error->message;
    struct Heard {
        std::string path, interface, member, signature, name, object;
        int count = 0;
    } heard;
    guint subscription = g_dbus_connection_signal_subscribe(
        listener, nullptr, "com.quillmoor.DistributedNotifications", nullptr, nullptr, nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
        [](GDBusConnection*, const gchar*, const gchar* path, const gchar* interface, const gchar* member, GVariant* parameters,
            gpointer data) {
            auto* heard = static_cast<Heard*>(data);
            heard->path = path;
            heard->interface = interface;
            heard->member = member;
            heard->signature = g_variant_get_type_string(parameters);
            if (heard->signature == "(ss)") {
                const gchar *name, *object;
                g_variant_get(parameters, "(&s&s)", &name, &object);
                heard->name = name;
                heard->object = object;
            }
            ++heard->count;
        },
        &heard, nullptr);
    // The match rule is in place once the daemon has answered a later call.
    GVariant* reply = g_dbus_connection_call_sync(listener, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
        "GetId", nullptr, nullptr, G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
    ASSERT_TRUE(reply);
    g_variant_unref(reply);

    // The poster hears its own post too; waiting for that leaves no signal on its way to the
    // process's centre when the test ends.
    auto& center = DistributedNotificationCenter::defaultCenter();
    Recorder own;
    auto token = center.addObserver(std::nullopt, std::nullopt, own.block());
    ASSERT_TRUE(token);
    ASSERT_TRUE(center.post("killLauncher", "com.quillmoor.tarvik"));
    ASSERT_TRUE(DispatchQueue::main().runUntil([&] { return heard.count > 0 && !own.received.empty(); }));
    center.removeObserver(*token);
    EXPECT_EQ(heard.count, 1);
    EXPECT_EQ(heard.path, "/com/quillmoor/DistributedNotifications");
    EXPECT_EQ(heard.interface, "com.quillmoor.DistributedNotifications");
    EXPECT_EQ(heard.member, "Notification");
    EXPECT_EQ(heard.signature, "(ss)");
    EXPECT_EQ(heard.name, "killLauncher");
    EXPECT_EQ(heard.object, "com.quillmoor.tarvik");

    g_dbus_connection_signal_unsubscribe(listener, subscription);
    g_dbus_connection_close_sync(listener, nullptr, nullptr);
    g_object_unref(listener);
}

TEST(DistributedNotificationCenter, SignalsOfAnotherShapeOrPlaceAreIgnored)
{
    auto& center = DistributedNotificationCenter::defaultCenter();
    Recorder recorder;
    ASSERT_TRUE(center.addObserver(std::nullopt, std::nullopt, recorder.block()));
    const std::string path = "/com/quillmoor/DistributedNotifications";
    const std::string signal = "com.quillmoor.DistributedNotifications.Notification";
    ASSERT_TRUE(test::emitWithGdbus(path, signal, { "'killLauncher'" }));
    ASSERT_TRUE(test::emitWithGdbus(path, signal, { "'killLauncher'", "'com.quillmoor.tarvik'", "'extra'" }));
    ASSERT_TRUE(test::emitWithGdbus(path, signal, { "42", "'com.quillmoor.tarvik'" }));
    ASSERT_TRUE(test::emitWithGdbus(path, signal, { "@as ['killLauncher']", "'com.quillmoor.tarvik'" }));
    ASSERT_TRUE(test::emitWithGdbus(path, signal, {}));
    ASSERT_TRUE(test::emitWithGdbus("/com/quillmoor/Other", signal, { "'killLauncher'", "'com.quillmoor.tarvik'" }));
    ASSERT_TRUE(test::emitWithGdbus(path, "com.quillmoor.DistributedNotifications.Other", { "'killLauncher'", "'com.quillmoor.tarvik'" }));
    // From the same process as the others, so it arrives last.
    ASSERT_TRUE(test::postFromAnotherProcess("Sentinel", "sentinel"));
    ASSERT_TRUE(DispatchQueue::main().runUntil([&] { return !recorder.received.empty(); }));
    DispatchQueue::main().drainUntilIdle();
    EXPECT_EQ(recorder.received, (Received { { "Sentinel", "sentinel" } }));
}

TEST(DistributedNotificationCenter, RemovedObserversAreNotCalledEvenForNotificationsAlreadyOnTheirWay)
{
    DistributedNotificationCenter center;
    Recorder removedByToken, removedWithOwner, removedByEarlierObserver, kept;
    struct Owner {
        int calls = 0;
        void terminate() { ++calls; }
    } owner;
    auto token = center.addObserver("N", std::nullopt, removedByToken.block());
    ASSERT_TRUE(token);
    ASSERT_TRUE(center.addObserver(owner, &Owner::terminate, "N", std::nullopt));
    ASSERT_TRUE(center.addObserver(owner, &Owner::terminate, std::nullopt, "x"));
    std::optional<ObserverToken> late;
    ASSERT_TRUE(center.addObserver("N", std::nullopt, [&](const DistributedNotification&) {
        if (late)
            center.removeObserver(*late);
    }));
    late = center.addObserver("N", std::nullopt, removedByEarlierObserver.block());
    ASSERT_TRUE(center.addObserver(std::nullopt, std::nullopt, kept.block()));
    EXPECT_EQ(center.observerCount(), 6u);

    // Both are on the bus before any observer is removed.
    ASSERT_TRUE(center.post("N", "x"));
    center.removeObserver(*token);
    center.removeObserver(&owner);
    center.removeObserver(*token);
    EXPECT_EQ(center.observerCount(), 3u);
    postSentinelAndWait(center, kept);

    EXPECT_TRUE(removedByToken.received.empty());
    EXPECT_EQ(owner.calls, 0);
    EXPECT_TRUE(removedByEarlierObserver.received.empty());
    EXPECT_EQ(kept.received.size(), 2u);
    EXPECT_EQ(center.observerCount(), 2u);
}

TEST(DistributedNotificationCenter, TheSelectorFormCallsTheMemberFunction)
{
    DistributedNotificationCenter center;
    struct Delegate {
        std::vector<std::string> log;
        void terminate() { log.push_back("terminate"); }
        void handle(const DistributedNotification& notification) { log.push_back("handle " + notification.object); }
    } delegate;
    Recorder everything;
    ASSERT_TRUE(center.addObserver(delegate, &Delegate::terminate, "killLauncher", "com.quillmoor.tarvik"));
    ASSERT_TRUE(center.addObserver(delegate, &Delegate::handle, "killLauncher", std::nullopt));
    ASSERT_TRUE(center.addObserver(std::nullopt, std::nullopt, everything.block()));
    ASSERT_TRUE(center.post("killLauncher", "com.example.other"));
    ASSERT_TRUE(center.post("killLauncher", "com.quillmoor.tarvik"));
    postSentinelAndWait(center, everything);
    EXPECT_EQ(delegate.log, (std::vector<std::string> { "handle com.example.other", "terminate", "handle com.quillmoor.tarvik" }));
}

TEST(DistributedNotificationCenter, TextThatIsNotUTF8IsNotPostedAndSaysWhy)
{
    std::vector<std::string> lines;
    PlatformLog::setSink([&](PlatformLog::Level, std::string_view, std::string_view message) { lines.emplace_back(message); });
    EXPECT_FALSE(DistributedNotificationCenter::defaultCenter().post("kill\xffLauncher", "com.quillmoor.tarvik"));
    EXPECT_FALSE(DistributedNotificationCenter::defaultCenter().post("killLauncher", std::string("com.quillmoor\0tarvik", 20)));
    PlatformLog::setSink(nullptr);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("not UTF-8"), std::string::npos);
}
