#include "TVKCore/Settings/CustomRemindersStore.hpp"

#include "Platform/Runtime/ISO8601.hpp"
#include "Platform/Runtime/NotificationCenter.hpp"
#include "Platform/Runtime/ProcessClock.hpp"
#include "TVKUtils/DateOperations.hpp"
#include "Tests/Support/TemporaryDirectory.hpp"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace tvk;
using tvk::test::TemporaryDirectory;

namespace {

Data dataOf(const std::string& text)
{
    return Data(text.begin(), text.end());
}

std::vector<std::string> idsOf(const std::vector<Reminder>& reminders)
{
    std::vector<std::string> ids;
    for (auto& reminder : reminders)
        ids.push_back(reminder.id());
    return ids;
}

Reminder reminderAt(const std::string& id, Date date)
{
    return Reminder(id, date, "Reminder " + id, std::nullopt, 60);
}

class CustomRemindersStoreTest : public testing::Test {
protected:
    void SetUp() override
    {
        ProcessClock::pin(now);
        token = NotificationCenter::defaultCenter().addObserver(
            std::string(NotificationName::remindersChanged), nullptr, [this](const Notification& notification) {
                EXPECT_EQ(notification.object, nullptr);
                EXPECT_TRUE(notification.userInfo.empty());
                ++notifications;
            });
    }
    void TearDown() override
    {
        NotificationCenter::defaultCenter().removeObserver(token);
        ProcessClock::unpin();
    }

    const Date now = *ISO8601::parse("2026-03-20T10:00:00+01:00");
    TemporaryDirectory directory;
    UserDefaults domain { directory / "group.com.quillmoor.tvk.plist" };
    CustomRemindersStore store { domain };
    ObserverToken token;
    int notifications = 0;
};

}

TEST_F(CustomRemindersStoreTest, AddedRemindersAreStoredAsOneJSONArrayInOrder)
{
    EXPECT_TRUE(store.reminders().empty());
    ASSERT_TRUE(store.addReminder(Reminder("a", Date::fromTimeIntervalSinceReferenceDate(700000000.5), "A", std::nullopt, 0)));
    ASSERT_TRUE(store.addReminder(Reminder("b", Date::fromTimeIntervalSinceReferenceDate(600000000), std::nullopt, "n/a", 30)));
    EXPECT_EQ(domain.object("customReminders"),
        PropertyList(dataOf(R"([{"id":"a","date":700000000.5,"title":"A","timeOffsetSeconds":0},)"
                            R"({"id":"b","date":600000000,"notes":"n\/a","timeOffsetSeconds":30}])")));
    EXPECT_EQ(idsOf(store.reminders()), (std::vector<std::string> { "a", "b" }));
    EXPECT_EQ(notifications, 2);
}

TEST_F(CustomRemindersStoreTest, UpdatingMovesAReminderToTheEndAndAddsAnUnknownOne)
{
    for (auto id : { "a", "b", "c" })
        ASSERT_TRUE(store.addReminder(reminderAt(id, now + 3600)));
    ASSERT_TRUE(store.updateReminder(Reminder("a", now + 7200, "Moved", std::nullopt, 0)));
    EXPECT_EQ(idsOf(store.reminders()), (std::vector<std::string> { "b", "c", "a" }));
    EXPECT_EQ(store.reminder("a")->title(), "Moved");
    ASSERT_TRUE(store.updateReminder(reminderAt("new", now)));
    EXPECT_EQ(idsOf(store.reminders()), (std::vector<std::string> { "b", "c", "a", "new" }));
    EXPECT_EQ(notifications, 5);
}

TEST_F(CustomRemindersStoreTest, RemovingTakesEveryReminderWithTheIdAndPostsEvenWhenNoneMatched)
{
    // Two reminders with one id can only come from another program's writes.
    ASSERT_TRUE(domain.set("customReminders",
        dataOf(R"([{"id":"x","date":1,"timeOffsetSeconds":0},{"id":"y","date":2,"timeOffsetSeconds":0},)"
               R"({"id":"x","date":3,"timeOffsetSeconds":0}])")));
    EXPECT_EQ(store.reminder("x")->timeIntervalSinceReferenceDate(), 1);
    ASSERT_TRUE(store.removeReminder("x"));
    EXPECT_EQ(idsOf(store.reminders()), std::vector<std::string> { "y" });
    ASSERT_TRUE(store.removeReminder("unknown"));
    EXPECT_EQ(idsOf(store.reminders()), std::vector<std::string> { "y" });
    EXPECT_EQ(notifications, 2);
}

TEST_F(CustomRemindersStoreTest, PurgingKeepsRemindersFromExactlyThirtyDaysAgo)
{
    // 30 calendar days before 20 March 10:00 is 18 February 10:00.
    auto cutoff = addingDays(now, -30);
    EXPECT_EQ(cutoff, *ISO8601::parse("2026-02-18T10:00:00+01:00"));
    ASSERT_TRUE(store.addReminder(reminderAt("older", cutoff - 60)));
    ASSERT_TRUE(store.addReminder(reminderAt("boundary", cutoff)));
    ASSERT_TRUE(store.addReminder(reminderAt("future", now + 60)));
    notifications = 0;
    ASSERT_TRUE(store.purgePastReminders());
    EXPECT_EQ(idsOf(store.reminders()), (std::vector<std::string> { "boundary", "future" }));
    EXPECT_EQ(notifications, 0);
}

TEST_F(CustomRemindersStoreTest, PurgingWithNothingToDropWritesNothing)
{
    EXPECT_TRUE(store.purgePastReminders());
    EXPECT_FALSE(domain.object("customReminders"));
    ASSERT_TRUE(store.addReminder(reminderAt("kept", now)));
    // Every write replaces the file, so an unchanged inode means no write.
    struct stat before;
    ASSERT_EQ(::stat(domain.file().c_str(), &before), 0);
    ASSERT_TRUE(store.purgePastReminders());
    struct stat after;
    ASSERT_EQ(::stat(domain.file().c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
}

TEST_F(CustomRemindersStoreTest, RangesIncludeBothEndsAndTheFutureExcludesNow)
{
    ASSERT_TRUE(store.addReminder(reminderAt("before", now - 1)));
    ASSERT_TRUE(store.addReminder(reminderAt("at-from", now)));
    ASSERT_TRUE(store.addReminder(reminderAt("inside", now + 1800)));
    ASSERT_TRUE(store.addReminder(reminderAt("at-to", now + 3600)));
    ASSERT_TRUE(store.addReminder(reminderAt("after", now + 3601)));
    EXPECT_EQ(idsOf(store.reminders(now, now + 3600)), (std::vector<std::string> { "at-from", "inside", "at-to" }));
    EXPECT_EQ(idsOf(store.futureReminders()), (std::vector<std::string> { "inside", "at-to", "after" }));
    EXPECT_EQ(store.reminder("nobody"), std::nullopt);
}

TEST_F(CustomRemindersStoreTest, AnArrayThatDoesNotDecodeReadsAsEmptyAndIsNeverReplaced)
{
    const PropertyList unreadable(dataOf(R"([{"id":"x","date":"yesterday","timeOffsetSeconds":0}])"));
    ASSERT_TRUE(domain.set("customReminders", unreadable));
    EXPECT_TRUE(store.reminders().empty());
    EXPECT_TRUE(store.futureReminders().empty());
    EXPECT_TRUE(store.purgePastReminders());

    auto refused = store.addReminder(reminderAt("new", now));
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.error().message.find("cannot be read"), std::string::npos);
    EXPECT_FALSE(store.updateReminder(reminderAt("x", now)));
    EXPECT_FALSE(store.removeReminder("x"));
    EXPECT_EQ(domain.object("customReminders"), unreadable);
    EXPECT_EQ(notifications, 0);

    ASSERT_TRUE(domain.set("customReminders", "[]"));
    EXPECT_TRUE(store.reminders().empty());
    EXPECT_FALSE(store.addReminder(reminderAt("new", now)));
    EXPECT_EQ(domain.object("customReminders"), PropertyList("[]"));
}

TEST_F(CustomRemindersStoreTest, AReminderThatDoesNotEncodeChangesNothing)
{
    ASSERT_TRUE(store.addReminder(reminderAt("kept", now)));
    EXPECT_FALSE(store.addReminder(Reminder("bad", now, std::string("\xff"), std::nullopt, 0)));
    EXPECT_EQ(idsOf(store.reminders()), std::vector<std::string> { "kept" });
    EXPECT_EQ(notifications, 1);
}

TEST_F(CustomRemindersStoreTest, ReadsFollowChangesMadeByAnotherProgram)
{
    UserDefaults otherProgram(domain.file());
    CustomRemindersStore other(otherProgram);
    ASSERT_TRUE(store.addReminder(reminderAt("mine", now)));
    EXPECT_EQ(idsOf(other.reminders()), std::vector<std::string> { "mine" });
    ASSERT_TRUE(other.updateReminder(Reminder("mine", now, "Renamed", std::nullopt, 0)));
    EXPECT_EQ(store.reminders().front().title(), "Renamed");
    ASSERT_TRUE(other.removeReminder("mine"));
    EXPECT_TRUE(store.reminders().empty());
}

TEST_F(CustomRemindersStoreTest, ThreadsMayReadWhileAnotherWrites)
{
    std::atomic<bool> done = false;
    std::vector<std::thread> readers;
    for (int reader = 0; reader < 3; ++reader) {
        readers.emplace_back([&] {
            size_t seen = 0;
            while (!done) {
                auto reminders = store.reminders();
                // Adds only append, so every read is a longer or equal prefix.
                EXPECT_GE(reminders.size(), seen);
                seen = reminders.size();
                for (size_t index = 0; index < reminders.size(); ++index)
                    EXPECT_EQ(reminders[index].id(), std::to_string(index));
            }
        });
    }
    for (int i = 0; i < 30; ++i)
        ASSERT_TRUE(store.addReminder(reminderAt(std::to_string(i), now)));
    done = true;
    for (auto& reader : readers)
        reader.join();
    EXPECT_EQ(store.reminders().size(), 30u);
}

TEST_F(CustomRemindersStoreTest, TwoProcessesAddingTwoHundredEachKeepAllFourHundred)
{
    int start[2];
    ASSERT_EQ(::pipe(start), 0);
    std::vector<pid_t> children;
    for (int writer = 0; writer < 2; ++writer) {
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(start[1]);
            char go;
            if (::read(start[0], &go, 1) != 1)
                ::_exit(3);
            UserDefaults own(domain.file());
            CustomRemindersStore program(own);
            for (int i = 0; i < 200; ++i) {
                if (!program.addReminder(reminderAt(std::to_string(writer) + "-" + std::to_string(i), now + i)))
                    ::_exit(1);
            }
            ::_exit(0);
        }
        children.push_back(child);
    }
    ::close(start[0]);
    // Both start at the same moment.
    ASSERT_EQ(::write(start[1], "gg", 2), 2);
    ::close(start[1]);
    for (auto child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }

    auto stored = store.reminders();
    ASSERT_EQ(stored.size(), 400u);
    std::set<std::string> unique;
    std::map<char, int> nextOfWriter { { '0', 0 }, { '1', 0 } };
    for (auto& reminder : stored) {
        unique.insert(reminder.id());
        // Each writer's reminders keep the order it added them in.
        char writer = reminder.id()[0];
        EXPECT_EQ(reminder.id(), std::string(1, writer) + "-" + std::to_string(nextOfWriter[writer]++));
    }
    EXPECT_EQ(unique.size(), 400u);
}
