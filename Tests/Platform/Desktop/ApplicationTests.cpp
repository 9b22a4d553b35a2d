#include "Platform/Desktop/Application.hpp"

#include "Platform/Runtime/DispatchQueue.hpp"

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <thread>

using namespace tvk;

namespace {

struct Delegate : ApplicationDelegate {
    std::function<void()> onLaunch;
    int launches = 0;
    bool launchedOnMainThread = false;
    std::string notificationName;

    void applicationDidFinishLaunching(const Notification& notification) override
    {
        ++launches;
        launchedOnMainThread = DispatchQueue::isMainThread();
        notificationName = notification.name;
        if (onLaunch)
            onLaunch();
    }
};

}

TEST(Application, RunTellsTheDelegateOnceOnTheMainQueueAndReturnsWhenTerminated)
{
    Application application;
    Delegate delegate;
    bool queuedBlockRan = false;
    delegate.onLaunch = [&] {
        // The loop serves the main queue until termination.
        DispatchQueue::main().async([&] {
            queuedBlockRan = true;
            application.terminate();
        });
    };
    application.run(delegate);
    EXPECT_EQ(delegate.launches, 1);
    EXPECT_TRUE(delegate.launchedOnMainThread);
    EXPECT_EQ(delegate.notificationName, "ApplicationDidFinishLaunching");
    EXPECT_TRUE(queuedBlockRan);
    EXPECT_TRUE(application.isTerminating());
}

TEST(Application, TerminateFromAnotherThreadEndsTheLoop)
{
    Application application;
    Delegate delegate;
    std::thread other;
    delegate.onLaunch = [&] { other = std::thread([&] { application.terminate(); }); };
    application.run(delegate);
    other.join();
    EXPECT_TRUE(application.isTerminating());
}

TEST(Application, TheSessionEndingEndsTheLoopRatherThanTheProcess)
{
    for (int signal : { SIGTERM, SIGINT, SIGHUP }) {
        Application application;
        Delegate delegate;
        delegate.onLaunch = [&] { ::kill(::getpid(), signal); };
        application.run(delegate);
        EXPECT_TRUE(application.isTerminating()) << signal;
    }
}

TEST(Application, TerminatingBeforeRunMeansRunNeverLaunches)
{
    Application application;
    Delegate delegate;
    application.terminate();
    application.run(delegate);
    EXPECT_EQ(delegate.launches, 0);
    DispatchQueue::main().drainUntilIdle();
    EXPECT_EQ(delegate.launches, 0);
}
