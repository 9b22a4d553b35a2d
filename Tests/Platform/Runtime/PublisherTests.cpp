#include "Platform/Runtime/Publisher.hpp"

#include <gtest/gtest.h>

#include <string>
#include <thread>

using namespace tvk;

namespace {

struct Recorder {
    std::vector<std::tuple<int, std::string>> values;
    std::vector<Completion<std::string>> completions;

    Subscriber<std::tuple<int, std::string>, std::string> subscriber()
    {
        return { [this](const auto& value) { values.push_back(value); },
            [this](const auto& completion) { completions.push_back(completion); } };
    }
};

}

TEST(Publisher, ASubjectDeliversToCurrentSubscribersUntilCancelledOrCompleted)
{
    PassthroughSubject<int, std::string> subject;
    std::vector<int> received;
    std::vector<Completion<std::string>> completions;
    {
        auto subscription = subject.publisher().sink(
            [&](const auto& completion) { completions.push_back(completion); }, [&](int value) { received.push_back(value); });
        subject.send(1);
        subject.send(2);
    }
    subject.send(3);
    EXPECT_EQ(received, (std::vector { 1, 2 }));
    EXPECT_EQ(subject.subscriberCount(), 0u);

    auto subscription = subject.publisher().sink(
        [&](const auto& completion) { completions.push_back(completion); }, [&](int value) { received.push_back(value); });
    subject.complete(Completion<std::string>::failed("broken"));
    subject.send(4);
    ASSERT_EQ(completions.size(), 1u);
    EXPECT_EQ(completions[0].failure, "broken");
    EXPECT_EQ(received, (std::vector { 1, 2 }));

    // A late subscriber hears the completion at once.
    auto late = subject.publisher().sink([&](const auto& completion) { completions.push_back(completion); }, [](int) {});
    EXPECT_EQ(completions.size(), 2u);
}

TEST(Publisher, CombineLatestWaitsForEveryUpstreamThenEmitsOnEachValue)
{
    PassthroughSubject<int, std::string> numbers;
    PassthroughSubject<std::string, std::string> words;
    Recorder recorder;
    auto subscription = combineLatest(numbers.publisher(), words.publisher()).subscribe(recorder.subscriber());
    numbers.send(1);
    numbers.send(2);
    EXPECT_TRUE(recorder.values.empty());
    words.send("a");
    numbers.send(3);
    words.send("b");
    using Values = std::vector<std::tuple<int, std::string>>;
    EXPECT_EQ(recorder.values, (Values { { 2, "a" }, { 3, "a" }, { 3, "b" } }));
}

TEST(Publisher, CombineLatestEndsOnTheFirstFailureAndCancelsTheOthers)
{
    PassthroughSubject<int, std::string> numbers;
    PassthroughSubject<std::string, std::string> words;
    Recorder recorder;
    auto subscription = combineLatest(numbers.publisher(), words.publisher()).subscribe(recorder.subscriber());
    numbers.send(1);
    words.complete(Completion<std::string>::failed("no words"));
    numbers.send(2);
    EXPECT_TRUE(recorder.values.empty());
    ASSERT_EQ(recorder.completions.size(), 1u);
    EXPECT_EQ(recorder.completions[0].failure, "no words");
    EXPECT_EQ(numbers.subscriberCount(), 0u);
}

TEST(Publisher, CombineLatestFinishesOnlyWhenEveryUpstreamHasFinished)
{
    PassthroughSubject<int, std::string> numbers;
    PassthroughSubject<std::string, std::string> words;
    Recorder recorder;
    auto subscription = combineLatest(numbers.publisher(), words.publisher()).subscribe(recorder.subscriber());
    numbers.send(1);
    numbers.complete(Completion<std::string>::finished());
    words.send("a");
    EXPECT_TRUE(recorder.completions.empty());
    words.complete(Completion<std::string>::finished());
    ASSERT_EQ(recorder.completions.size(), 1u);
    EXPECT_TRUE(recorder.completions[0].isFinished());
    using Values = std::vector<std::tuple<int, std::string>>;
    EXPECT_EQ(recorder.values, (Values { { 1, "a" } }));
}

TEST(Publisher, CombineLatestOverAnUpstreamThatAlreadyFailedEndsAtOnce)
{
    PassthroughSubject<int, std::string> failed;
    failed.complete(Completion<std::string>::failed("early"));
    PassthroughSubject<std::string, std::string> words;
    Recorder recorder;
    auto subscription = combineLatest(failed.publisher(), words.publisher()).subscribe(recorder.subscriber());
    ASSERT_EQ(recorder.completions.size(), 1u);
    EXPECT_EQ(words.subscriberCount(), 0u);
}

TEST(Publisher, ValuesFromSeveralThreadsReachTheCombinationOneAtATime)
{
    PassthroughSubject<int, std::string> left;
    PassthroughSubject<int, std::string> right;
    std::atomic<int> inside { 0 };
    std::atomic<bool> overlapped { false };
    std::atomic<int> count { 0 };
    auto subscription = combineLatest(left.publisher(), right.publisher())
                            .sink([](const auto&) {},
                                [&](const auto&) {
                                    if (inside.fetch_add(1) != 0)
                                        overlapped = true;
                                    ++count;
                                    inside.fetch_sub(1);
                                });
    left.send(0);
    right.send(0);
    std::thread a([&] {
        for (int i = 0; i < 2000; ++i)
            left.send(i);
    });
    std::thread b([&] {
        for (int i = 0; i < 2000; ++i)
            right.send(i);
    });
    a.join();
    b.join();
    EXPECT_FALSE(overlapped);
    EXPECT_EQ(count.load(), 4001);
}

TEST(Publisher, MapTransformsValuesAndPassesCompletionsOn)
{
    PassthroughSubject<int, std::string> numbers;
    std::vector<std::string> texts;
    bool finished = false;
    auto subscription = numbers.publisher()
                            .map([](int value) { return std::to_string(value * 2); })
                            .sink([&](const auto& completion) { finished = completion.isFinished(); },
                                [&](const std::string& text) { texts.push_back(text); });
    numbers.send(21);
    numbers.complete(Completion<std::string>::finished());
    EXPECT_EQ(texts, (std::vector<std::string> { "42" }));
    EXPECT_TRUE(finished);
}
