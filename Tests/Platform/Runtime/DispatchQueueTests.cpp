#include "Platform/Runtime/DispatchQueue.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

using namespace tvk;

TEST(DispatchQueue, MainQueueRunsBlocksInOrderOnlyWhenTheMainContextIsIterated)
{
    std::vector<int> order;
    for (int i = 0; i < 5; ++i)
        DispatchQueue::main().async([&order, i] { order.push_back(i); });
    EXPECT_TRUE(order.empty());
    DispatchQueue::main().drainUntilIdle();
    EXPECT_EQ(order, (std::vector<int> { 0, 1, 2, 3, 4 }));
}

TEST(DispatchQueue, BlocksQueuedByAMainQueueBlockRunAfterIt)
{
    std::vector<std::string> order;
    DispatchQueue::main().async([&] {
        order.push_back("outer");
        DispatchQueue::main().async([&] { order.push_back("inner"); });
        order.push_back("outer end");
    });
    DispatchQueue::main().async([&] { order.push_back("second"); });
    DispatchQueue::main().drainUntilIdle();
    EXPECT_EQ(order, (std::vector<std::string> { "outer", "outer end", "second", "inner" }));
}

TEST(DispatchQueue, MainQueueBlocksRunOnTheMainThread)
{
    EXPECT_TRUE(DispatchQueue::isMainThread());
    bool ranOnMain = false;
    std::thread worker([&] {
        EXPECT_FALSE(DispatchQueue::isMainThread());
        DispatchQueue::main().async([&] { ranOnMain = DispatchQueue::isMainThread() && DispatchQueue::main().isCurrent(); });
    });
    worker.join();
    DispatchQueue::main().drainUntilIdle();
    EXPECT_TRUE(ranOnMain);
}

TEST(DispatchQueue, SyncOntoTheMainQueueFromAWorkerWaitsForTheMainLoop)
{
    std::atomic<bool> workerDone = false;
    int value = 0;
    std::thread worker([&] {
        value = DispatchQueue::main().sync([] { return 42; });
        workerDone = true;
    });
    EXPECT_TRUE(DispatchQueue::main().runUntil([&] { return workerDone.load(); }));
    worker.join();
    EXPECT_EQ(value, 42);
}

TEST(DispatchQueue, SerialQueueRunsBlocksInOrderOneAtATimeOffTheCallingThread)
{
    DispatchQueue queue("test.serial");
    std::mutex mutex;
    std::vector<int> order;
    std::atomic<int> running = 0;
    std::atomic<bool> overlapped = false;
    for (int i = 0; i < 200; ++i) {
        queue.async([&, i] {
            if (running.fetch_add(1) != 0)
                overlapped = true;
            {
                std::lock_guard lock(mutex);
                order.push_back(i);
            }
            running.fetch_sub(1);
        });
    }
    bool onQueue = queue.sync([&] { return queue.isCurrent() && !DispatchQueue::isMainThread(); });
    EXPECT_TRUE(onQueue);
    EXPECT_FALSE(overlapped);
    ASSERT_EQ(order.size(), 200u);
    for (int i = 0; i < 200; ++i)
        EXPECT_EQ(order[i], i);
    EXPECT_FALSE(queue.isCurrent());
}

TEST(DispatchQueue, AsyncAfterRunsLaterBlocksAfterEarlierOnes)
{
    DispatchQueue queue("test.after");
    std::mutex mutex;
    std::vector<int> order;
    std::atomic<int> count = 0;
    queue.asyncAfter(0.05, [&] {
        std::lock_guard lock(mutex);
        order.push_back(2);
        ++count;
    });
    queue.asyncAfter(0.0, [&] {
        std::lock_guard lock(mutex);
        order.push_back(1);
        ++count;
    });
    DispatchQueue::main().asyncAfter(0.01, [&] { ++count; });
    EXPECT_TRUE(DispatchQueue::main().runUntil([&] { return count == 3; }));
    std::lock_guard lock(mutex);
    EXPECT_EQ(order, (std::vector<int> { 1, 2 }));
}

TEST(DispatchQueue, DelayedBlocksScheduledWhileTheWorkerWaitsForAnEarlierOneKeepTheirOrder)
{
    // The worker sleeps until the earliest deadline; each later asyncAfter grows the heap
    // under it (a reallocation at every power of two), which must not disturb that wait.
    DispatchQueue queue("test.after.growing");
    std::mutex mutex;
    std::vector<int> order;
    std::atomic<int> count = 0;
    constexpr int blocks = 40;
    for (int i = 0; i < blocks; ++i) {
        queue.asyncAfter(0.02 + 0.001 * i, [&, i] {
            std::lock_guard lock(mutex);
            order.push_back(i);
            ++count;
        });
        // Lets the worker go back to its timed wait before the next block arrives.
        queue.sync([] {});
    }
    EXPECT_TRUE(DispatchQueue::main().runUntil([&] { return count == blocks; }));
    std::lock_guard lock(mutex);
    ASSERT_EQ(order.size(), static_cast<size_t>(blocks));
    for (int i = 0; i < blocks; ++i)
        EXPECT_EQ(order[i], i);
}

TEST(DispatchQueue, ASerialQueueDestroyedByItsOwnBlockLetsThatBlockFinish)
{
    auto* queue = new DispatchQueue("test.self.destroy");
    std::atomic<bool> finished = false;
    queue->async([&] {
        delete queue;
        finished = true;
    });
    EXPECT_TRUE(DispatchQueue::main().runUntil([&] { return finished.load(); }));
}

TEST(DispatchQueue, DestroyingASerialQueueFinishesItsQueuedBlocks)
{
    std::atomic<int> ran = 0;
    {
        DispatchQueue queue("test.shutdown");
        for (int i = 0; i < 50; ++i)
            queue.async([&] { ++ran; });
    }
    EXPECT_EQ(ran, 50);
}

TEST(DispatchQueue, GlobalQueueRunsBlocksConcurrently)
{
    // Two blocks that each wait for the other can only finish when they run at once.
    std::atomic<int> arrived = 0;
    std::atomic<int> finished = 0;
    for (int i = 0; i < 2; ++i) {
        DispatchQueue::global().async([&] {
            ++arrived;
            while (arrived < 2)
                std::this_thread::yield();
            ++finished;
        });
    }
    EXPECT_TRUE(DispatchQueue::main().runUntil([&] { return finished == 2; }));
}

TEST(DispatchQueueDeathTest, SyncOntoTheQueueThatRunsTheCallerStopsTheProgram)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            DispatchQueue queue("test.deadlock");
            queue.sync([&] { queue.sync([] {}); });
        },
        "would wait forever");
    EXPECT_DEATH(DispatchQueue::main().sync([] {}), "would wait forever");
}
