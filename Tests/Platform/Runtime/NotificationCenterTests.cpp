#include "Platform/Runtime/NotificationCenter.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace tvk;

TEST(NotificationCenter, DeliversByNameAndObjectFilter)
{
    NotificationCenter center;
    int sender = 0, otherSender = 0;
    std::vector<std::string> received;
    center.addObserver("A", nullptr, [&](const Notification& n) { received.push_back("A any:" + n.name); });
    center.addObserver("A", &sender, [&](const Notification&) { received.push_back("A sender"); });
    center.addObserver(std::nullopt, nullptr, [&](const Notification& n) { received.push_back("all:" + n.name); });

    center.post("A", &otherSender);
    center.post("B");
    center.post("A", &sender);
    EXPECT_EQ(received, (std::vector<std::string> { "A any:A", "all:A", "all:B", "A any:A", "A sender", "all:A" }));
}

TEST(NotificationCenter, CarriesObjectAndUserInfoToTheBlock)
{
    NotificationCenter center;
    int sender = 0;
    const void* seenObject = nullptr;
    int seenValue = 0;
    center.addObserver("N", nullptr, [&](const Notification& n) {
        seenObject = n.object;
        seenValue = std::any_cast<int>(n.userInfo.at("value"));
    });
    center.post("N", &sender, { { "value", std::any(7) } });
    EXPECT_EQ(seenObject, &sender);
    EXPECT_EQ(seenValue, 7);
}

TEST(NotificationCenter, RemovedObserversAreNotCalledAgain)
{
    NotificationCenter center;
    int calls = 0;
    auto token = center.addObserver("N", nullptr, [&](const Notification&) { ++calls; });
    center.post("N");
    center.removeObserver(token);
    center.removeObserver(token);
    center.post("N");
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(center.observerCount(), 0u);
}

TEST(NotificationCenter, AnObserverMayRemoveItselfAndOthersAndPostFromItsBlock)
{
    NotificationCenter center;
    std::vector<std::string> received;
    ObserverToken first, second;
    first = center.addObserver("N", nullptr, [&](const Notification&) {
        received.push_back("first");
        center.removeObserver(first);
        center.removeObserver(second);
        center.post("M");
    });
    second = center.addObserver("N", nullptr, [&](const Notification&) { received.push_back("second"); });
    center.addObserver("M", nullptr, [&](const Notification&) { received.push_back("M"); });

    center.post("N");
    center.post("N");
    EXPECT_EQ(received, (std::vector<std::string> { "first", "M" }));
}

TEST(NotificationCenter, BlocksRunOnThePostingThreadAndPostsFromManyThreadsAreSafe)
{
    NotificationCenter center;
    std::atomic<int> calls = 0;
    std::atomic<bool> sameThread = true;
    center.addObserver("N", nullptr, [&](const Notification& n) {
        if (std::any_cast<std::thread::id>(n.userInfo.at("thread")) != std::this_thread::get_id())
            sameThread = false;
        ++calls;
    });
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 250; ++i) {
                auto token = center.addObserver("other", nullptr, [](const Notification&) {});
                center.post("N", nullptr, { { "thread", std::this_thread::get_id() } });
                center.removeObserver(token);
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(calls, 1000);
    EXPECT_TRUE(sameThread);
}

TEST(NotificationCenter, RemovingAnObserverWaitsForItsBlockRunningOnAnotherThread)
{
    NotificationCenter center;
    std::atomic<bool> started { false }, finished { false }, removalReturned { false }, returnedWhileRunning { false };
    ObserverToken token = center.addObserver("N", nullptr, [&](const Notification&) {
        started = true;
        // Until the removal is seen waiting, or (wrongly) returns while this block runs.
        while (center.waitingRemovalCount() == 0 && !removalReturned)
            std::this_thread::yield();
        returnedWhileRunning = removalReturned.load();
        finished = true;
    });
    std::thread poster([&] { center.post("N"); });
    while (!started)
        std::this_thread::yield();
    std::thread remover([&] {
        center.removeObserver(token);
        removalReturned = true;
    });
    remover.join();
    poster.join();
    EXPECT_FALSE(returnedWhileRunning) << "the owner could go while its block still runs";
    EXPECT_TRUE(finished);
    EXPECT_EQ(center.waitingRemovalCount(), 0u);
}

TEST(NotificationCenter, ABlockThatRemovesItsOwnObserverDoesNotWaitForItself)
{
    NotificationCenter center;
    int calls = 0;
    ObserverToken token;
    token = center.addObserver("N", nullptr, [&](const Notification&) {
        ++calls;
        center.removeObserver(token);
        center.post("N");
    });
    center.post("N");
    center.post("N");
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(center.observerCount(), 0u);
}
