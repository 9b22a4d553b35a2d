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
    ProcessClock::advance(3600);
    DispatchQueue::main().drainUntilIdle();
    EXPECT_EQ(fired, afterInvalidation) << "not even a step of the clock wakes it";
}

TEST_F(RepeatingTimerTest, AnActionMayInvalidateItsOwnTimer)
{
    int fired = 0;
    std::unique_ptr<RepeatingTimer> timer;
    timer = std::make_unique<RepeatingTimer>(Date::now(), 0.01, [&] {
        ++fired;
        timer->invalidate();
    });
    ASSERT_TRUE(DispatchQueue::main().runUntil([&] { return fired >= 1; }, 5));
    ProcessClock::advance(3600);
    DispatchQueue::main().drainUntilIdle();
    EXPECT_EQ(fired, 1);
}

TEST_F(RepeatingTimerTest, FiresMissedWhileTheMachineSleptCoalesceIntoOneAndTheGridIsKept)
{
    // Eight hours of minute fires lie in the past, as after a night of suspend.
    ProcessClock::pin(Date(100000));
    int fired = 0;
    RepeatingTimer timer(Date(100000 - 480 * 60 + 30), 60, [&] { ++fired; });
    ASSERT_TRUE(DispatchQueue::main().runUntil([&] { return fired >= 1; }, 5));
    DispatchQueue::main().drainUntilIdle();
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(timer.fireDate(), Date(100030)) << "the next point of the grid ahead";
}

TEST_F(RepeatingTimerTest, AClockStepForwardPastTheFireDateFiresOnceAndRealigns)
{
    ProcessClock::pin(Date(100000));
    int fired = 0;
    RepeatingTimer timer(Date(100060), 60, [&] { ++fired; });
    ProcessClock::pin(Date(100000 + 2 * 3600 + 10));
    DispatchQueue::main().drainUntilIdle();
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(timer.fireDate(), Date(107260));
    ProcessClock::advance(20);
    DispatchQueue::main().drainUntilIdle();
    EXPECT_EQ(fired, 1) << "a step that reaches no fire date fires nothing";
    EXPECT_EQ(timer.fireDate(), Date(107260));
}

TEST_F(RepeatingTimerTest, AClockSetBackReArmsAtOnceForTheNextPointOfTheGrid)
{
    ProcessClock::pin(Date(100000));
    int fired = 0;
    RepeatingTimer timer(Date(100060), 60, [&] { ++fired; });
    ProcessClock::pin(Date(100000 - 3600));
    DispatchQueue::main().drainUntilIdle();
    EXPECT_EQ(fired, 0);
    EXPECT_EQ(timer.fireDate(), Date(96460)) << "not an hour and a minute away";
    ProcessClock::pin(Date(96460));
    DispatchQueue::main().drainUntilIdle();
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(timer.fireDate(), Date(96520));
}
