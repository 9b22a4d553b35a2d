#include "TVKCore/Settings/EventSettingsStore.hpp"

#include "Platform/Runtime/NotificationCenter.hpp"
#include "Tests/Support/TemporaryDirectory.hpp"

#include <gtest/gtest.h>

#include <thread>

using namespace tvk;
using tvk::test::TemporaryDirectory;

namespace {

Data dataOf(const std::string& text)
{
    return Data(text.begin(), text.end());
}

class EventSettingsStoreTest : public testing::Test {
protected:
    void SetUp() override
    {
        token = NotificationCenter::defaultCenter().addObserver(
            std::string(EventSettingsStore::customEventSettingsChangedNotification), nullptr, [this](const Notification& notification) {
                EXPECT_EQ(notification.object, nullptr);
                ++notifications;
            });
    }
    void TearDown() override { NotificationCenter::defaultCenter().removeObserver(token); }

    TemporaryDirectory directory;
    UserDefaults domain { directory / "group.com.quillmoor.tvk.plist" };
    EventSettingsStore store { domain };
    ObserverToken token;
    int notifications = 0;
};

const EventSettings excluded { EventType::calendarEvent, true, false, 0, std::nullopt };

}

TEST_F(EventSettingsStoreTest, StoringThenDeletingLeavesAnEmptyDictionaryAndPostsTwice)
{
    ASSERT_TRUE(store.storeCustomSettings(excluded, "A"));
    EXPECT_EQ(store.customSettings("A"), excluded);
    auto stored = domain.object("eventSettings");
    ASSERT_TRUE(stored && stored->is<PropertyList::Dictionary>());
    EXPECT_EQ(stored->get<PropertyList::Dictionary>()->at("A"), PropertyList(dataOf(*excluded.encode())));

    ASSERT_TRUE(store.deleteCustomSettings("A"));
    EXPECT_EQ(domain.object("eventSettings"), PropertyList(PropertyList::Dictionary {}));
    EXPECT_EQ(store.customSettings("A"), std::nullopt);
    EXPECT_EQ(store.customSettings(), (std::map<std::string, EventSettings> {}));
    EXPECT_EQ(notifications, 2);
}

TEST_F(EventSettingsStoreTest, DeletingWhatIsNotStoredStillWritesAndPosts)
{
    ASSERT_TRUE(store.deleteCustomSettings("nothing"));
    EXPECT_EQ(domain.object("eventSettings"), PropertyList(PropertyList::Dictionary {}));
    EXPECT_EQ(notifications, 1);
}

TEST_F(EventSettingsStoreTest, DeletingAllWritesAnEmptyDictionaryWithoutPosting)
{
    ASSERT_TRUE(store.storeCustomSettings(excluded, "A"));
    ASSERT_TRUE(store.storeCustomSettings(EventSettings::defaultSettings(EventType::tvkReminder), "B"));
    EXPECT_EQ(store.customSettings()->size(), 2u);
    ASSERT_TRUE(store.deleteAllCustomEventSettings());
    EXPECT_EQ(domain.object("eventSettings"), PropertyList(PropertyList::Dictionary {}));
    EXPECT_EQ(notifications, 2);
}

TEST_F(EventSettingsStoreTest, EntriesThatDoNotDecodeAreLeftOutOrReadAsNone)
{
    ASSERT_TRUE(domain.set("eventSettings",
        PropertyList::Dictionary {
            { "good",
                dataOf(R"({"type":"appleReminder","isExcluded":false,"usesCustomTimeOffset":true,"timeOffsetSeconds":600,)"
                       R"("defaultConferenceUrl":"https:\/\/teams.microsoft.com\/l\/meetup-join\/x"})") },
            { "bad", dataOf(R"({"type":"CalendarEvent","isExcluded":false,"usesCustomTimeOffset":false,"timeOffsetSeconds":0})") },
        }));
    auto all = store.customSettings();
    ASSERT_TRUE(all);
    ASSERT_EQ(all->size(), 1u);
    EXPECT_EQ(all->at("good").defaultConferenceUrl, "https://teams.microsoft.com/l/meetup-join/x");
    EXPECT_EQ(store.customSettings("bad"), std::nullopt);
    EXPECT_EQ(store.customSettings("good")->timeOffsetSeconds, 600);
}

TEST_F(EventSettingsStoreTest, AStoredValueThatIsNoDictionaryOfDataReadsAsNoneAndIsNeverReplaced)
{
    EXPECT_EQ(store.customSettings(), std::nullopt);
    PropertyList mixed(PropertyList::Dictionary {
        { "A", dataOf(*excluded.encode()) },
        { "B", "not data" },
    });
    ASSERT_TRUE(domain.set("eventSettings", mixed));
    EXPECT_EQ(store.customSettings(), std::nullopt);
    EXPECT_EQ(store.customSettings("A"), std::nullopt);

    auto refused = store.storeCustomSettings(excluded, "C");
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.error().message.find("left unchanged"), std::string::npos);
    EXPECT_FALSE(store.deleteCustomSettings("A"));
    EXPECT_EQ(domain.object("eventSettings"), mixed);
    EXPECT_EQ(notifications, 0);

    ASSERT_TRUE(domain.set("eventSettings", "text"));
    EXPECT_FALSE(store.storeCustomSettings(excluded, "C"));
    EXPECT_EQ(domain.object("eventSettings"), PropertyList("text"));
}

TEST_F(EventSettingsStoreTest, SettingsThatDoNotEncodeChangeNothing)
{
    EventSettings empty = excluded;
    empty.defaultConferenceUrl = "";
    EXPECT_FALSE(store.storeCustomSettings(empty, "A"));
    EXPECT_FALSE(domain.object("eventSettings"));
    EXPECT_EQ(notifications, 0);
}

TEST_F(EventSettingsStoreTest, ChangesOfTwoProgramsAtOnceAreAllKept)
{
    // Each writer has its own domain object over the file, as two programs do.
    std::vector<std::thread> writers;
    for (int writer = 0; writer < 2; ++writer) {
        writers.emplace_back([&, writer] {
            UserDefaults own(domain.file());
            EventSettingsStore program(own);
            for (int i = 0; i < 20; ++i)
                ASSERT_TRUE(program.storeCustomSettings(excluded, std::to_string(writer) + "-" + std::to_string(i)));
        });
    }
    for (auto& writer : writers)
        writer.join();
    EXPECT_EQ(store.customSettings()->size(), 40u);
    EXPECT_EQ(notifications, 40);
}
