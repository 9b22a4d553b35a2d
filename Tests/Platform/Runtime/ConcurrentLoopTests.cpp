#include "Platform/Runtime/ConcurrentLoop.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace tvk;

TEST(ConcurrentLoop, EveryIndexRunsExactlyOnceAndTheLoopReturnsAfterTheLast)
{
    for (size_t count : { 0, 1, 63, 64, 129, 1000, 4097 }) {
        std::vector<std::atomic<int>> runs(count);
        concurrentLoop(count, 16, [&](size_t i) { runs[i].fetch_add(1); });
        for (size_t i = 0; i < count; ++i)
            ASSERT_EQ(runs[i].load(), 1) << "index " << i << " of " << count;
    }
}

TEST(ConcurrentLoop, WorkTooSmallForASecondThreadRunsInOrderOnTheCallingThread)
{
    std::vector<size_t> order;
    std::set<std::thread::id> threads;
    concurrentLoop(100, 64, [&](size_t i) {
        order.push_back(i); // unguarded: a second thread here is the fault this test looks for
        threads.insert(std::this_thread::get_id());
    });
    ASSERT_EQ(order.size(), 100u);
    for (size_t i = 0; i < order.size(); ++i)
        EXPECT_EQ(order[i], i);
    EXPECT_EQ(threads, std::set { std::this_thread::get_id() });
}

TEST(ConcurrentLoop, LargeWorkIsSharedWithAnotherThreadWhereTheMachineHasCores)
{
    if (std::thread::hardware_concurrency() < 2)
        GTEST_SKIP() << "one core: the loop runs on the calling thread alone";
    std::mutex mutex;
    std::set<std::thread::id> threads;
    // The first call waits (for at most ten seconds) until a second thread has taken part, so
    // that the calling thread cannot finish the whole loop before the other has started.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    concurrentLoop(4000, 16, [&](size_t i) {
        std::unique_lock lock(mutex);
        threads.insert(std::this_thread::get_id());
        while (i == 0 && threads.size() < 2 && std::chrono::steady_clock::now() < deadline) {
            lock.unlock();
            std::this_thread::yield();
            lock.lock();
        }
    });
    EXPECT_GE(threads.size(), 2u);
}

TEST(ConcurrentLoop, AThrowingCallStopsTheLoopAndItsExceptionReachesTheCaller)
{
    std::atomic<size_t> ran { 0 };
    EXPECT_THROW(concurrentLoop(100000, 16,
                     [&](size_t i) {
                         ran.fetch_add(1);
                         if (i == 10)
                             throw std::runtime_error("index 10");
                     }),
        std::runtime_error);
    EXPECT_LT(ran.load(), 100000u) << "the indices after the failure are skipped";
}
