#include "TVKUtils/CodableUserDefault.hpp"
#include "TVKUtils/UserDefault.hpp"

#include "QMLogger/QMLogger.hpp"
#include "Tests/Support/TemporaryDirectory.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

using namespace tvk;
using tvk::test::TemporaryDirectory;

namespace {

// A value with a deliberately small JSON form: a string without quotes inside, written as a
// JSON string; anything else fails to decode, and a text with a quote fails to encode.
struct Label {
    std::string text;
    bool operator==(const Label&) const = default;
};

}

template <> struct tvk::JSONCoding<Label> {
    static tl::expected<Label, std::string> decode(std::string_view json)
    {
        if (json.size() < 2 || json.front() != '"' || json.back() != '"')
            return tl::unexpected(std::string("not a string"));
        return Label { std::string(json.substr(1, json.size() - 2)) };
    }
    static tl::expected<std::string, std::string> encode(const Label& label)
    {
        if (label.text.find('"') != std::string::npos)
            return tl::unexpected(std::string("quote"));
        return "\"" + label.text + "\"";
    }
};

namespace {

class UserDefaultTest : public testing::Test {
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
        QMLogger::stop();
        ::testing::internal::GetCapturedStdout();
    }

    size_t logLinesContaining(const std::string& text) const
    {
        auto lines = QMLogger::logMessages();
        return static_cast<size_t>(
            std::count_if(lines.begin(), lines.end(), [&](auto& line) { return line.find(text) != std::string::npos; }));
    }

    template <typename T> std::optional<T> readAs(const PropertyList& stored)
    {
        EXPECT_TRUE(domain.set("key", stored));
        auto sentinel = UserDefault<std::optional<T>>("key", std::nullopt, DefaultsSuite::shared, domain);
        return sentinel.get();
    }

    TemporaryDirectory directory;
    UserDefaults domain { directory / "group.com.quillmoor.tvk.plist" };
};

}

TEST_F(UserDefaultTest, IntegersReadFromIntegersBooleansAndWholeRealsButNeverFromText)
{
    UserDefault<std::int64_t> days("upcomingEventsDaysFilter", 7, DefaultsSuite::shared, domain);
    EXPECT_EQ(days.get(), 7);
    ASSERT_TRUE(domain.set("upcomingEventsDaysFilter", "12"));
    EXPECT_EQ(days.get(), 7);
    ASSERT_TRUE(domain.set("upcomingEventsDaysFilter", 12));
    EXPECT_EQ(days.get(), 12);

    EXPECT_EQ(readAs<std::int64_t>(PropertyList(true)), 1);
    EXPECT_EQ(readAs<std::int64_t>(PropertyList(false)), 0);
    EXPECT_EQ(readAs<std::int64_t>(PropertyList(3.0)), 3);
    EXPECT_EQ(readAs<std::int64_t>(PropertyList(-0.0)), 0);
    EXPECT_EQ(readAs<std::int64_t>(PropertyList(3.5)), std::nullopt);
    EXPECT_EQ(readAs<std::int64_t>(PropertyList(9223372036854775808.0)), std::nullopt);
    EXPECT_EQ(readAs<std::int64_t>(PropertyList(-9223372036854775808.0)), INT64_MIN);
    EXPECT_EQ(readAs<std::int64_t>(PropertyList(std::nan(""))), std::nullopt);
    EXPECT_EQ(readAs<std::int64_t>(PropertyList(Data { 1 })), std::nullopt);
    EXPECT_EQ(readAs<std::int64_t>(PropertyList(Date(5))), std::nullopt);
    EXPECT_EQ(readAs<std::int64_t>(PropertyList(PropertyList::Array { 1 })), std::nullopt);
}

TEST_F(UserDefaultTest, BooleansReadFromTheNumbersZeroAndOneOnly)
{
    UserDefault<bool> flag("includeTravelTime", false, DefaultsSuite::shared, domain);
    ASSERT_TRUE(domain.set("includeTravelTime", 1));
    EXPECT_TRUE(flag.get());

    EXPECT_EQ(readAs<bool>(PropertyList(0)), false);
    EXPECT_EQ(readAs<bool>(PropertyList(1.0)), true);
    EXPECT_EQ(readAs<bool>(PropertyList(0.0)), false);
    EXPECT_EQ(readAs<bool>(PropertyList(2)), std::nullopt);
    EXPECT_EQ(readAs<bool>(PropertyList(-1)), std::nullopt);
    EXPECT_EQ(readAs<bool>(PropertyList(0.5)), std::nullopt);
    EXPECT_EQ(readAs<bool>(PropertyList("YES")), std::nullopt);
    EXPECT_EQ(readAs<bool>(PropertyList("true")), std::nullopt);
}

TEST_F(UserDefaultTest, ListsReadOnlyWhenEveryElementCasts)
{
    using Strings = std::vector<std::string>;
    using Integers = std::vector<std::int64_t>;
    EXPECT_EQ(readAs<Strings>(PropertyList(PropertyList::Array { "A", "B" })), (Strings { "A", "B" }));
    EXPECT_EQ(readAs<Strings>(PropertyList(PropertyList::Array { "A", 2 })), std::nullopt);
    EXPECT_EQ(readAs<Strings>(PropertyList(PropertyList::Array {})), Strings {});
    EXPECT_EQ(readAs<Integers>(PropertyList(PropertyList::Array {})), Integers {});
    EXPECT_EQ(readAs<Integers>(PropertyList(PropertyList::Array { 10, true, 15.0 })), (Integers { 10, 1, 15 }));
    EXPECT_EQ(readAs<Integers>(PropertyList(PropertyList::Array { 10, "15" })), std::nullopt);
    EXPECT_EQ(readAs<Integers>(PropertyList(PropertyList::Array { 10, 15.5 })), std::nullopt);
    EXPECT_EQ(readAs<Strings>(PropertyList("A")), std::nullopt);
    EXPECT_EQ(readAs<Strings>(PropertyList(PropertyList::Dictionary { { "0", "A" } })), std::nullopt);
    EXPECT_EQ(readAs<Data>(PropertyList(Data { 1, 2 })), (Data { 1, 2 }));
    EXPECT_EQ(readAs<Data>(PropertyList("AQI=")), std::nullopt);
}

TEST_F(UserDefaultTest, WritesStorePropertyListValuesAndAnAbsentOptionalRemovesTheKey)
{
    UserDefault<std::vector<std::int64_t>> snoozes("customSnoozeTimes", {}, DefaultsSuite::shared, domain);
    ASSERT_TRUE(snoozes.set({ 3, 10 }));
    EXPECT_EQ(domain.object("customSnoozeTimes"), PropertyList(PropertyList::Array { 3, 10 }));

    UserDefault<std::optional<std::string>> name("name", std::string("fallback"), DefaultsSuite::shared, domain);
    ASSERT_TRUE(name.set(std::string("Ada")));
    EXPECT_EQ(domain.object("name"), PropertyList("Ada"));
    EXPECT_EQ(name.get(), "Ada");
    ASSERT_TRUE(name.set(std::nullopt));
    EXPECT_FALSE(domain.object("name"));
    EXPECT_EQ(name.get(), "fallback");
}

TEST_F(UserDefaultTest, AnOptionalSettingWithoutDefaultLivesInTheProgramsOwnDomain)
{
    UserDefault<std::optional<std::int64_t>> setting("lastSeen");
    EXPECT_FALSE(setting.isShared());
    EXPECT_EQ(&setting.userDefaults(), &UserDefaults::standard());
    EXPECT_EQ(setting.get(), std::nullopt);
    ASSERT_TRUE(setting.set(4));
    EXPECT_EQ(UserDefaults::standard().object("lastSeen"), PropertyList(4));
    UserDefault<bool> shared("flag", false, DefaultsSuite::shared);
    EXPECT_TRUE(shared.isShared());
    EXPECT_EQ(shared.userDefaults().file().filename(), "group.com.quillmoor.tvk.plist");
}

TEST_F(UserDefaultTest, ConcurrentModificationsOfOneKeyAreAllKept)
{
    UserDefault<std::int64_t> counter("counter", 0, DefaultsSuite::shared, domain);
    std::vector<std::thread> threads;
    for (int thread = 0; thread < 4; ++thread) {
        threads.emplace_back([&] {
            // Each thread its own domain object over the same file, as two programs would.
            UserDefaults own(domain.file());
            UserDefault<std::int64_t> mine("counter", 0, DefaultsSuite::shared, own);
            for (int i = 0; i < 25; ++i)
                ASSERT_TRUE(mine.modify([](std::int64_t& value) { ++value; }));
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(counter.get(), 100);
}

TEST_F(UserDefaultTest, ACodableSettingLogsEveryFailedReadAndReturnsItsDefault)
{
    CodableUserDefault<Label> label("excludeRules", Label { "none" }, DefaultsSuite::shared, domain);
    EXPECT_EQ(label.get(), Label { "none" });
    EXPECT_EQ(label.get(), Label { "none" });
    EXPECT_EQ(logLinesContaining("could not load persisted filter rules"), 2u);
    EXPECT_EQ(logLinesContaining("ERROR"), 2u);

    ASSERT_TRUE(domain.set("excludeRules", "\"text, not data\""));
    EXPECT_EQ(label.get(), Label { "none" });
    ASSERT_TRUE(domain.set("excludeRules", Data { 'x' }));
    EXPECT_EQ(label.get(), Label { "none" });
    EXPECT_EQ(logLinesContaining("could not load persisted filter rules"), 4u);

    ASSERT_TRUE(label.set(Label { "work" }));
    EXPECT_EQ(domain.object("excludeRules"), PropertyList(Data { '"', 'w', 'o', 'r', 'k', '"' }));
    EXPECT_EQ(label.get(), Label { "work" });
    EXPECT_EQ(logLinesContaining("could not load persisted filter rules"), 4u);
}

TEST_F(UserDefaultTest, ACodableValueThatFailsToEncodeLeavesTheKeyAbsent)
{
    CodableUserDefault<Label> label("excludeRules", Label {}, DefaultsSuite::shared, domain);
    ASSERT_TRUE(label.set(Label { "first" }));
    ASSERT_TRUE(label.set(Label { "has \" quote" }));
    EXPECT_FALSE(domain.object("excludeRules"));
}

TEST_F(UserDefaultTest, ACodableModificationNeverReplacesAValueItCannotRead)
{
    CodableUserDefault<Label> label("excludeRules", Label { "start" }, DefaultsSuite::shared, domain);
    ASSERT_TRUE(label.modify([](Label& value) { value.text += "ed"; }));
    EXPECT_EQ(label.get(), Label { "started" });

    ASSERT_TRUE(domain.set("excludeRules", Data { '{', '}' }));
    auto refused = label.modify([](Label& value) { value.text = "replaced"; });
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.error().message.find("cannot be read"), std::string::npos);
    EXPECT_EQ(domain.object("excludeRules"), PropertyList(Data { '{', '}' }));

    ASSERT_TRUE(label.set(Label { "ok" }));
    EXPECT_FALSE(label.modify([](Label& value) { value.text = "a \" quote"; }));
    EXPECT_EQ(label.get(), Label { "ok" });
}
