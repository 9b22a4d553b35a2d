#include "QMLogger/QMLogger.hpp"

#include "Platform/Defaults/UserDefaults.hpp"
#include "Platform/Runtime/DispatchQueue.hpp"
#include "Platform/Runtime/ProcessClock.hpp"
#include "Platform/Runtime/ProcessWideState.hpp"

#include <gtest/gtest.h>

#include <regex>

using namespace tvk;

namespace {

class RecordingTarget : public LogTarget {
public:
    void logDidChange(const std::string& text) override
    {
        calls.push_back(text);
        onMainThread = onMainThread && DispatchQueue::isMainThread();
    }
    std::vector<std::string> calls;
    bool onMainThread = true;
};

class QMLoggerTest : public testing::Test {
protected:
    void SetUp() override
    {
        UserDefaults::setStandardDomainName("com.quillmoor.tarvik.tests");
        ::testing::internal::CaptureStdout();
        QMLogger::start(QMLogger::Force::yes);
        QMLogger::clear();
    }
    void TearDown() override
    {
        QMLogger::setLogTarget(nullptr);
        QMLogger::stop();
        QMLogger::setMinimumLevel(QMLogger::Level::info);
        QMLogger::setMaxLogLines(1000);
        ProcessClock::unpin();
        DispatchQueue::main().drainUntilIdle();
        ::testing::internal::GetCapturedStdout();
    }
};

}

TEST_F(QMLoggerTest, OffMeansNothingIsStoredOrPrintedAtAnyLevel)
{
    QMLogger::stop();
    QMLogger::error("should vanish");
    QMLogger::info(LogCategory("EventKit"), "should vanish too");
    EXPECT_TRUE(QMLogger::logMessages().empty());
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    ::testing::internal::CaptureStdout();
}

TEST_F(QMLoggerTest, LinesCarryDateLevelLabelAndBracketedCategory)
{
    ProcessClock::pin(Date(1700000000)); // 2023-11-14 23:13:20 in Berlin
    QMLogger::info(LogCategory("ConferenceLinks"), "loaded 25 services");
    QMLogger::warning("no category here");
    auto lines = QMLogger::logMessages();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "2023-11-14 23:13:20 \U0001F535 INFO [ConferenceLinks]: loaded 25 services");
    EXPECT_EQ(lines[1], "2023-11-14 23:13:20 \U0001F7E1 WARNING: no category here");
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), lines[0] + "\n" + lines[1] + "\n");
    ::testing::internal::CaptureStdout();
}

TEST_F(QMLoggerTest, AProcessResetReturnsTheLoggerToHowAProcessStartsAndKeepsTheStoredSwitch)
{
    auto& standard = UserDefaults::standard();
    auto target = std::make_shared<RecordingTarget>();
    QMLogger::setLogTarget(target);
    QMLogger::setMinimumLevel(QMLogger::Level::debug);
    QMLogger::setMaxLogLines(5);
    QMLogger::debug("kept");
    ProcessWideState::reset();
    EXPECT_FALSE(QMLogger::isLogging());
    EXPECT_EQ(QMLogger::minimumLevel(), QMLogger::Level::info);
    EXPECT_EQ(QMLogger::maxLogLines(), 1000);
    EXPECT_FALSE(QMLogger::logTarget());
    EXPECT_TRUE(QMLogger::logMessages().empty());
    EXPECT_TRUE(standard.boolean(QMLogger::isLoggingKey)) << "the switch stored for the user is theirs";
}

TEST_F(QMLoggerTest, MessagesBelowTheMinimumLevelAreDropped)
{
    QMLogger::debug("dropped at the default level");
    QMLogger::info("kept");
    QMLogger::error(LogCategory("Contacts"), "kept too");
    EXPECT_EQ(QMLogger::logMessages().size(), 2u);
    QMLogger::setMinimumLevel(QMLogger::Level::debug);
    QMLogger::debug("kept now");
    ASSERT_EQ(QMLogger::logMessages().size(), 3u);
    EXPECT_NE(QMLogger::logMessages()[2].find("\U0001F7E2 DEBUG: kept now"), std::string::npos);
    QMLogger::setMinimumLevel(QMLogger::Level::error);
    QMLogger::warning("dropped");
    EXPECT_EQ(QMLogger::logMessages().size(), 3u);
}

TEST_F(QMLoggerTest, TheRingKeepsTheNewestLinesUpToTheLimit)
{
    for (int i = 1; i <= 1001; ++i)
        QMLogger::info("line " + std::to_string(i));
    auto lines = QMLogger::logMessages();
    ASSERT_EQ(lines.size(), 1000u);
    EXPECT_TRUE(lines.front().ends_with(": line 2"));
    EXPECT_TRUE(lines.back().ends_with(": line 1001"));

    QMLogger::setMaxLogLines(10);
    QMLogger::info("one more");
    EXPECT_EQ(QMLogger::logMessages().size(), 1000u) << "lowering the limit trims one line per new line";
}

TEST_F(QMLoggerTest, TheTargetHearsEveryLineOnTheMainQueueWithTheWholeText)
{
    auto target = std::make_shared<RecordingTarget>();
    QMLogger::setLogTarget(target);
    QMLogger::info("first");
    QMLogger::info("second");
    EXPECT_TRUE(target->calls.empty()) << "the target is told later, on the main queue";
    DispatchQueue::main().drainUntilIdle();
    ASSERT_EQ(target->calls.size(), 2u);
    EXPECT_EQ(target->calls[1], QMLogger::logString());
    EXPECT_NE(target->calls[1].find("first\n"), std::string::npos);
    EXPECT_TRUE(target->onMainThread);
}

TEST_F(QMLoggerTest, ClearEmptiesTheLogWithoutTellingTheTarget)
{
    QMLogger::info("something");
    DispatchQueue::main().drainUntilIdle();
    auto target = std::make_shared<RecordingTarget>();
    QMLogger::setLogTarget(target);
    QMLogger::clear();
    DispatchQueue::main().drainUntilIdle();
    EXPECT_EQ(QMLogger::logString(), "");
    EXPECT_TRUE(target->calls.empty());
}

TEST_F(QMLoggerTest, TheOnOffStateIsRememberedInTheStandardDomain)
{
    QMLogger::stop();
    UserDefaults::standard().removeObject(QMLogger::isLoggingKey);
    QMLogger::start(QMLogger::Force::no);
    EXPECT_FALSE(QMLogger::isLogging());
    EXPECT_EQ(UserDefaults::standard().object(QMLogger::isLoggingKey), PropertyList(false));

    QMLogger::setIsLogging(true);
    EXPECT_EQ(UserDefaults::standard().object(QMLogger::isLoggingKey), PropertyList(true));
    QMLogger::stop();
    UserDefaults::standard().set(QMLogger::isLoggingKey, true);
    QMLogger::start(QMLogger::Force::no);
    EXPECT_TRUE(QMLogger::isLogging());
}

TEST_F(QMLoggerTest, LevelsComeOnlyFromRawValuesZeroToThree)
{
    EXPECT_EQ(QMLogger::levelFromRawValue(0), QMLogger::Level::debug);
    EXPECT_EQ(QMLogger::levelFromRawValue(3), QMLogger::Level::error);
    EXPECT_FALSE(QMLogger::levelFromRawValue(4));
    EXPECT_FALSE(QMLogger::levelFromRawValue(-1));
    EXPECT_LT(QMLogger::Level::info, QMLogger::Level::warning);
}

TEST_F(QMLoggerTest, LinesFromManyThreadsAreEachKeptWhole)
{
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 50; ++i)
                QMLogger::info(LogCategory("T" + std::to_string(t)), "message " + std::to_string(i));
        });
    for (auto& thread : threads)
        thread.join();
    auto lines = QMLogger::logMessages();
    ASSERT_EQ(lines.size(), 200u);
    std::regex shape(R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2} \S+ INFO \[T\d\]: message \d+)");
    for (auto& line : lines)
        EXPECT_TRUE(std::regex_match(line, shape)) << line;
}
