#include "TVKUtils/CombineLatest.hpp"

#include <gtest/gtest.h>

#include <string>

using namespace tvk;

TEST(CombineLatest, FiveUpstreamsEmitFlatTuplesOnceAllHaveValues)
{
    PassthroughSubject<int, std::string> a, b, c;
    PassthroughSubject<std::string, std::string> d;
    PassthroughSubject<bool, std::string> e;
    Publishers::CombineLatest5 combined { a.publisher(), b.publisher(), c.publisher(), d.publisher(), e.publisher() };
    std::vector<std::tuple<int, int, int, std::string, bool>> values;
    auto subscription = combined.sink([](const auto&) {}, [&](const auto& value) { values.push_back(value); });
    a.send(1), b.send(2), c.send(3), d.send("x");
    EXPECT_TRUE(values.empty());
    e.send(true);
    a.send(10);
    d.send("y");
    using Values = std::vector<std::tuple<int, int, int, std::string, bool>>;
    EXPECT_EQ(values, (Values { { 1, 2, 3, "x", true }, { 10, 2, 3, "x", true }, { 10, 2, 3, "y", true } }));
}

TEST(CombineLatest, SixUpstreamsEndOnTheFirstFailure)
{
    PassthroughSubject<int, std::string> a, b, c, d, e, f;
    Publishers::CombineLatest6 combined { a.publisher(), b.publisher(), c.publisher(), d.publisher(), e.publisher(), f.publisher() };
    std::vector<std::tuple<int, int, int, int, int, int>> values;
    std::vector<Completion<std::string>> completions;
    auto subscription = combined.sink(
        [&](const auto& completion) { completions.push_back(completion); }, [&](const auto& value) { values.push_back(value); });
    for (auto* subject : { &a, &b, &c, &d, &e, &f })
        subject->send(1);
    ASSERT_EQ(values.size(), 1u);
    e.complete(Completion<std::string>::failed("calendar gone"));
    a.send(2);
    EXPECT_EQ(values.size(), 1u);
    ASSERT_EQ(completions.size(), 1u);
    EXPECT_EQ(completions[0].failure, "calendar gone");
    EXPECT_EQ(a.subscriberCount(), 0u);
    EXPECT_EQ(f.subscriberCount(), 0u);
}

TEST(CombineLatest, DroppingTheSubscriptionDetachesFromEveryUpstream)
{
    PassthroughSubject<int, std::string> a, b, c, d, e;
    Publishers::CombineLatest5 combined { a.publisher(), b.publisher(), c.publisher(), d.publisher(), e.publisher() };
    {
        auto subscription = combined.sink([](const auto&) {}, [](const auto&) {});
        EXPECT_EQ(a.subscriberCount(), 1u);
        EXPECT_EQ(e.subscriberCount(), 1u);
    }
    EXPECT_EQ(a.subscriberCount(), 0u);
    EXPECT_EQ(e.subscriberCount(), 0u);
}
