#include "TVKCore/Settings/UserSettingsStore.hpp"

#include "Platform/Runtime/StandardPaths.hpp"
#include "Platform/Text/PropertyListSerialization.hpp"
#include "QMLogger/QMLogger.hpp"
#include "Tests/Support/TemporaryDirectory.hpp"

#include <gtest/gtest.h>

#include <algorithm>

using namespace tvk;
using tvk::test::TemporaryDirectory;

namespace {

class UserSettingsStoreTest : public testing::Test {
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

    TemporaryDirectory directory;
    UserDefaults sharedDomain { directory / "group.com.quillmoor.tvk.plist" };
    UserDefaults ownDomain { directory / "com.quillmoor.tarvik.tests.plist" };
};

}

TEST_F(UserSettingsStoreTest, AnEmptySharedDomainReadsEveryDefault)
{
    UserSettingsStore store(sharedDomain, ownDomain);
    EXPECT_TRUE(store.activeCalendarIdentifiers().empty());
    EXPECT_TRUE(store.activeReminderListIdentifiers().empty());
    EXPECT_EQ(store.timeOffsetSeconds(), 60);
    EXPECT_FALSE(store.showOnlyEventsWithAlert());
    EXPECT_FALSE(store.showOnlyAcceptedEvents());
    EXPECT_FALSE(store.showOnlyEventsWithVideoConference());
    EXPECT_EQ(store.upcomingEventsDaysFilter(), 7);
    EXPECT_FALSE(store.includeTravelTime());
    EXPECT_TRUE(store.customSnoozeTimes().empty());
    EXPECT_EQ(store.defaultSnooze1(), 1);
    EXPECT_EQ(store.defaultSnooze2(), 5);
    EXPECT_TRUE(store.excludeRules().empty());
    EXPECT_FALSE(store.debugScreenshotMode());
    EXPECT_EQ(store.keyboardShortcutsDelay(), 1);
    // Only the migration flag was written, into the program's own domain.
    EXPECT_TRUE(sharedDomain.dictionaryRepresentation().empty());
    EXPECT_EQ(ownDomain.dictionaryRepresentation(), (PropertyList::Dictionary { { "didMigrateToSharedDefaults", true } }));
}

TEST_F(UserSettingsStoreTest, SettingsUseTheSharedKeysAndDomains)
{
    UserSettingsStore store(sharedDomain, ownDomain);
    ASSERT_TRUE(store.setShowOnlyAcceptedEvents(true));
    ASSERT_TRUE(store.setDebugScreenshotMode(true));
    ASSERT_TRUE(store.setActiveCalendarIdentifiers({ "A", "B" }));
    ASSERT_TRUE(store.setCustomSnoozeTimes({ 2, 15 }));
    ASSERT_TRUE(store.setTimeOffsetSeconds(0));
    ASSERT_TRUE(store.setKeyboardShortcutsDelay(3));

    auto shared = sharedDomain.dictionaryRepresentation();
    EXPECT_EQ(shared.at("showTentativeEvents"), PropertyList(true));
    EXPECT_FALSE(shared.contains("showOnlyAcceptedEvents"));
    EXPECT_EQ(shared.at("debug_screenshotMode"), PropertyList(true));
    EXPECT_EQ(shared.at("activeCalendarIdentifiers"), PropertyList(PropertyList::Array { "A", "B" }));
    EXPECT_EQ(shared.at("customSnoozeTimes"), PropertyList(PropertyList::Array { 2, 15 }));
    EXPECT_EQ(shared.at("timeOffsetSeconds"), PropertyList(0));
    EXPECT_FALSE(shared.contains("keyboardShortcutsDelay"));
    EXPECT_EQ(ownDomain.object("keyboardShortcutsDelay"), PropertyList(3));

    EXPECT_TRUE(store.showOnlyAcceptedEvents());
    EXPECT_EQ(store.timeOffsetSeconds(), 0);
    EXPECT_EQ(store.keyboardShortcutsDelay(), 3);
}

TEST_F(UserSettingsStoreTest, ValuesOfTheWrongTypeReadAsDefaults)
{
    ASSERT_TRUE(sharedDomain.modify([](PropertyList::Dictionary& dictionary) {
        dictionary["timeOffsetSeconds"] = "300";
        dictionary["upcomingEventsDaysFilter"] = 14.0;
        dictionary["includeTravelTime"] = 1;
        dictionary["showOnlyEventsWithAlert"] = 2;
        dictionary["activeCalendarIdentifiers"] = PropertyList::Array { "A", 1 };
        dictionary["customSnoozeTimes"] = "5,10";
    }));
    UserSettingsStore store(sharedDomain, ownDomain);
    EXPECT_EQ(store.timeOffsetSeconds(), 60);
    EXPECT_EQ(store.upcomingEventsDaysFilter(), 14);
    EXPECT_TRUE(store.includeTravelTime());
    EXPECT_FALSE(store.showOnlyEventsWithAlert());
    EXPECT_TRUE(store.activeCalendarIdentifiers().empty());
    EXPECT_TRUE(store.customSnoozeTimes().empty());
}

TEST_F(UserSettingsStoreTest, UnreadableExcludeRulesReadAsNoRulesAndAreLogged)
{
    UserSettingsStore store(sharedDomain, ownDomain);
    std::string oneBadRule = R"([{"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","field":"title","comparison":"startsWith","value":"x",)"
                             R"("isCaseSensitive":true}])";
    ASSERT_TRUE(sharedDomain.set("excludeRules", Data(oneBadRule.begin(), oneBadRule.end())));
    QMLogger::clear();
    EXPECT_TRUE(store.excludeRules().empty());
    EXPECT_EQ(logLinesContaining("could not load persisted filter rules"), 1u);
    // The read did not touch what is stored.
    EXPECT_EQ(sharedDomain.object("excludeRules"), PropertyList(Data(oneBadRule.begin(), oneBadRule.end())));

    auto rule = FilterRule::makeDefault();
    rule.value = "Lunch";
    ASSERT_TRUE(store.setExcludeRules({ rule }));
    EXPECT_EQ(store.excludeRules(), std::vector<FilterRule> { rule });
}

TEST_F(UserSettingsStoreTest, ActivationsAddAtTheEndOnceAndSayWhetherTheyChangedAnything)
{
    UserSettingsStore store(sharedDomain, ownDomain);
    ASSERT_TRUE(store.setActiveCalendarIdentifiers({ "A" }));
    EXPECT_EQ(store.activateCalendar("B"), true);
    EXPECT_EQ(store.activateCalendar("A"), false);
    EXPECT_EQ(store.activeCalendarIdentifiers(), (std::vector<std::string> { "A", "B" }));
    EXPECT_EQ(store.deactivateCalendar("A"), true);
    EXPECT_EQ(store.deactivateCalendar("A"), false);
    EXPECT_EQ(store.activeCalendarIdentifiers(), std::vector<std::string> { "B" });

    EXPECT_EQ(store.activateReminderList("L"), true);
    EXPECT_EQ(store.activateReminderList("L"), false);
    EXPECT_EQ(store.activeReminderListIdentifiers(), std::vector<std::string> { "L" });
    EXPECT_EQ(store.deactivateReminderList("L"), true);
    EXPECT_TRUE(store.activeReminderListIdentifiers().empty());
    EXPECT_EQ(store.activeCalendarIdentifiers(), std::vector<std::string> { "B" }) << "the lists are separate settings";

    // Another program's edit between two of ours is kept: each activation reads under the lock.
    UserDefaults otherProgram(directory / "group.com.quillmoor.tvk.plist");
    ASSERT_TRUE(otherProgram.set("activeCalendarIdentifiers", PropertyList(PropertyList::Array { PropertyList("B"), PropertyList("C") })));
    EXPECT_EQ(store.activateCalendar("D"), true);
    EXPECT_EQ(store.activeCalendarIdentifiers(), (std::vector<std::string> { "B", "C", "D" }));
}

TEST_F(UserSettingsStoreTest, RulesAreAddedAndRemovedByIdButAnUnreadableListIsNeverReplaced)
{
    UserSettingsStore store(sharedDomain, ownDomain);
    auto lunch = FilterRule::makeDefault();
    lunch.value = "Lunch";
    auto focus = FilterRule::makeDefault();
    focus.value = "Focus";
    ASSERT_TRUE(store.addExcludeRule(lunch));
    ASSERT_TRUE(store.addExcludeRule(focus));
    EXPECT_EQ(store.readExcludeRules(), (std::vector<FilterRule> { lunch, focus }));
    EXPECT_EQ(store.removeExcludeRule(lunch.id), true);
    EXPECT_EQ(store.removeExcludeRule(lunch.id), false);
    EXPECT_EQ(store.excludeRules(), std::vector<FilterRule> { focus });

    std::string unreadable = R"([{"id":"not a uuid"}])";
    ASSERT_TRUE(sharedDomain.set("excludeRules", Data(unreadable.begin(), unreadable.end())));
    auto read = store.readExcludeRules();
    ASSERT_FALSE(read);
    EXPECT_NE(read.error().find("cannot be read"), std::string::npos) << read.error();
    EXPECT_FALSE(store.addExcludeRule(lunch));
    EXPECT_FALSE(store.removeExcludeRule(focus.id));
    EXPECT_EQ(sharedDomain.object("excludeRules"), PropertyList(Data(unreadable.begin(), unreadable.end())));
    ASSERT_TRUE(sharedDomain.set("excludeRules", PropertyList("text")));
    EXPECT_FALSE(store.readExcludeRules());
    ASSERT_TRUE(sharedDomain.removeObject("excludeRules"));
    EXPECT_EQ(store.readExcludeRules(), std::vector<FilterRule> {}) << "no list stored is no rules";
}

TEST_F(UserSettingsStoreTest, ALegacyOffsetInMinutesBecomesSecondsInTheSharedDomain)
{
    ASSERT_TRUE(ownDomain.set("timeOffset", 5));
    UserSettingsStore store(sharedDomain, ownDomain);
    EXPECT_EQ(sharedDomain.object("timeOffsetSeconds"), PropertyList(300));
    EXPECT_EQ(store.timeOffsetSeconds(), 300);
    EXPECT_FALSE(ownDomain.object("timeOffset"));
}

TEST_F(UserSettingsStoreTest, ALegacyOffsetThatIsNoIntegerIsLeftInPlace)
{
    ASSERT_TRUE(ownDomain.set("timeOffset", "5"));
    UserSettingsStore store(sharedDomain, ownDomain);
    EXPECT_EQ(store.timeOffsetSeconds(), 60);
    EXPECT_EQ(ownDomain.object("timeOffset"), PropertyList("5"));

    ASSERT_TRUE(ownDomain.set("timeOffset", std::int64_t(1) << 60));
    UserSettingsStore overflowing(sharedDomain, ownDomain);
    EXPECT_EQ(overflowing.timeOffsetSeconds(), 60);
    EXPECT_TRUE(ownDomain.object("timeOffset"));

    ASSERT_TRUE(ownDomain.set("timeOffset", 2.0));
    UserSettingsStore whole(sharedDomain, ownDomain);
    EXPECT_EQ(whole.timeOffsetSeconds(), 120);
}

TEST_F(UserSettingsStoreTest, TheConvertedLegacyOffsetSurvivesTheMigration)
{
    // The program's own domain still holds an old seconds value and the legacy minutes: the
    // migration copies the old value, and the conversion, which runs after it, wins.
    ASSERT_TRUE(ownDomain.modify([](PropertyList::Dictionary& dictionary) {
        dictionary["timeOffsetSeconds"] = 30;
        dictionary["timeOffset"] = 10;
    }));
    UserSettingsStore store(sharedDomain, ownDomain);
    EXPECT_EQ(store.timeOffsetSeconds(), 600);
    EXPECT_EQ(ownDomain.object("didMigrateToSharedDefaults"), PropertyList(true));
}

TEST_F(UserSettingsStoreTest, TheMigrationCopiesTheProgramsOwnSettingsOnce)
{
    std::string reminders = "[]";
    ASSERT_TRUE(ownDomain.modify([&](PropertyList::Dictionary& dictionary) {
        dictionary["activeCalendarIdentifiers"] = PropertyList::Array { "cal-1" };
        dictionary["upcomingEventsDaysFilter"] = 3;
        dictionary["keyboardShortcutsDelay"] = 2;
        dictionary["customReminders"] = Data(reminders.begin(), reminders.end());
        dictionary["eventSettings"] = PropertyList::Dictionary {};
        dictionary["unrelated"] = "stays home";
    }));
    UserSettingsStore first(sharedDomain, ownDomain);
    auto shared = sharedDomain.dictionaryRepresentation();
    EXPECT_EQ(shared.at("activeCalendarIdentifiers"), PropertyList(PropertyList::Array { "cal-1" }));
    EXPECT_EQ(shared.at("upcomingEventsDaysFilter"), PropertyList(3));
    EXPECT_EQ(shared.at("keyboardShortcutsDelay"), PropertyList(2));
    EXPECT_EQ(shared.at("customReminders"), PropertyList(Data(reminders.begin(), reminders.end())));
    EXPECT_EQ(shared.at("eventSettings"), PropertyList(PropertyList::Dictionary {}));
    EXPECT_FALSE(shared.contains("unrelated"));
    EXPECT_EQ(ownDomain.object("didMigrateToSharedDefaults"), PropertyList(true));

    // The main application changes a setting; a later start copies nothing over it.
    ASSERT_TRUE(sharedDomain.set("upcomingEventsDaysFilter", 10));
    UserSettingsStore second(sharedDomain, ownDomain);
    EXPECT_EQ(second.upcomingEventsDaysFilter(), 10);
}

TEST_F(UserSettingsStoreTest, AFirstStartWithAnEmptyOwnDomainKeepsWhatTheMainApplicationShared)
{
    ASSERT_TRUE(sharedDomain.modify([](PropertyList::Dictionary& dictionary) {
        dictionary["timeOffsetSeconds"] = 120;
        dictionary["activeCalendarIdentifiers"] = PropertyList::Array { "work" };
        dictionary["customReminders"] = Data { '[', ']' };
    }));
    UserSettingsStore store(sharedDomain, ownDomain);
    EXPECT_EQ(store.timeOffsetSeconds(), 120);
    EXPECT_EQ(store.activeCalendarIdentifiers(), std::vector<std::string> { "work" });
    EXPECT_TRUE(sharedDomain.object("customReminders"));
}

TEST_F(UserSettingsStoreTest, AMigrationFlagWrittenAsTextCountsAsPlatformBooleans)
{
    ASSERT_TRUE(ownDomain.modify([](PropertyList::Dictionary& dictionary) {
        dictionary["didMigrateToSharedDefaults"] = "YES";
        dictionary["timeOffsetSeconds"] = 30;
    }));
    UserSettingsStore store(sharedDomain, ownDomain);
    EXPECT_EQ(store.timeOffsetSeconds(), 60);
}

TEST_F(UserSettingsStoreTest, ResetAllReturnsEverySettingToItsDefault)
{
    UserSettingsStore store(sharedDomain, ownDomain);
    ASSERT_TRUE(store.setTimeOffsetSeconds(600));
    ASSERT_TRUE(store.setKeyboardShortcutsDelay(4));
    ASSERT_TRUE(store.setExcludeRules({ FilterRule::makeDefault() }));
    ASSERT_TRUE(ownDomain.set("upcomingEventsDaysFilter", 2));
    ASSERT_TRUE(sharedDomain.set("customReminders", Data { '[', ']' }));

    ASSERT_TRUE(store.resetAll());
    EXPECT_EQ(store.timeOffsetSeconds(), 60);
    EXPECT_EQ(store.keyboardShortcutsDelay(), 1);
    EXPECT_TRUE(store.excludeRules().empty());
    EXPECT_FALSE(ownDomain.object("upcomingEventsDaysFilter"));
    EXPECT_TRUE(sharedDomain.object("customReminders"));
    EXPECT_TRUE(ownDomain.object("didMigrateToSharedDefaults"));
}

TEST_F(UserSettingsStoreTest, RawIntegerReadsFollowThePlatformsLenientRules)
{
    EXPECT_EQ(defaultSnooze1(sharedDomain), 0);
    ASSERT_TRUE(sharedDomain.set("defaultSnooze1", "10"));
    ASSERT_TRUE(sharedDomain.set("defaultSnooze2", 15));
    ASSERT_TRUE(sharedDomain.set("upcomingEventsDaysFilter", 2.9));
    EXPECT_EQ(defaultSnooze1(sharedDomain), 10);
    EXPECT_EQ(defaultSnooze2(sharedDomain), 15);
    EXPECT_EQ(upcomingEventsDaysFilter(sharedDomain), 2);
}

TEST_F(UserSettingsStoreTest, TheSharedStoreWorksOnTheApplicationGroupsDomainFile)
{
    ASSERT_TRUE(UserDefaults::standard().set("timeOffset", 3));
    auto& store = UserSettingsStore::shared();
    EXPECT_EQ(&store, &UserSettingsStore::shared());
    EXPECT_EQ(store.timeOffsetSeconds(), 180);
    auto file = StandardPaths::configDirectory() / "group.com.quillmoor.tvk.plist";
    auto onDisk = PropertyListSerialization::read(tvk::test::readFile(file));
    ASSERT_TRUE(onDisk);
    EXPECT_EQ(onDisk->get<PropertyList::Dictionary>()->at("timeOffsetSeconds"), PropertyList(180));
}
