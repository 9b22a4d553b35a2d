#include "Platform/Runtime/DispatchQueue.hpp"
#include "Platform/Runtime/ProcessClock.hpp"
#include "Platform/Runtime/RepeatingTimer.hpp"

#include <gtest/gtest.h>

using namespace tvk;

class RepeatingTimerTest : public testing::Test {
protected:
    void TearDown() override { ProcessClock::unpin(); }
};

TEST_F(RepeatingTimerTest, ReportsItsScheduleAndFiresByHandWithoutChangingIt)
{
    ProcessClock::pin(Date(1000));
    int fired = 0;
    RepeatingTimer timer(Date(1120), 60, [&] { ++fired; });
    EXPECT_EQ(timer.fireDate(), Date(1120));
    EXPECT_EQ(timer.interval(), 60);
    DispatchQueue::main().drainUntilIdle();
    EXPECT_EQ(fired, 0);
    timer.fire();
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(timer.fireDate(), Date(1120));
}

TEST_F(RepeatingTimerTest, AFireDateInThePastFiresAtTheNextIterationAndAdvancesByTheInterval)
{
    ProcessClock::pin(Date(1000));
    int fired = 0;
    RepeatingTimer timer(Date(990), 60, [&] { ++fired; });
    EXPECT_TRUE(DispatchQueue::main().runUntil([&] { return fired == 1; }, 5));
    EXPECT_EQ(timer.fireDate(), Date(1050));
}

TEST_F(RepeatingTimerTest, FiresRepeatedlyOnTheMainThreadUntilInvalidated)
{
    int fired = 0;
    bool onMain = true;
    RepeatingTimer timer(Date::now(), 0.01, [&] {
        onMain = onMain && DispatchQueue::isMainThread();
        ++fired;
    });
    EXPECT_TRUE(DispatchQueue::main().runUntil([&] { return fired >= 3; }, 5));
    EXPECT_TRUE(onMain);
    timer.invalidate();
    EXPECT_FALSE(timer.isValid());
    int afterInvalidation = fired;
    DispatchQueue::main().asyncAfter(0.05, [] {});
    DispatchQueue::main().runUntil([] { return false; }, 0.1);
    EXPECT_EQ(fired, afterInvalidation);
}

TEST_F(RepeatingTimerTest, AnActionMayInvalidateItsOwnTimer)
{
    int fired = 0;
    std::unique_ptr<RepeatingTimer> timer;
    timer = std::make_unique<RepeatingTimer>(Date::now(), 0.01, [&] {
        ++fired;
        timer->invalidate();
    });
    DispatchQueue::main().runUntil([&] { return fired >= 1; }, 5);
    DispatchQueue::main().runUntil([] { return false; }, 0.1);
    EXPECT_EQ(fired, 1);
}
