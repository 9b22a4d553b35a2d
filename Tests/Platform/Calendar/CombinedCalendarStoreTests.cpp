#include "Platform/Calendar/CalendarBackendChoice.hpp"
#include "Platform/Calendar/CombinedCalendarStore.hpp"
#include "Platform/Calendar/MemoryCalendarStore.hpp"
#include "Tests/Support/ScopedEnvironment.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <future>

using namespace tvk;

namespace {

StoreCalendarPointer makeCalendar(const std::string& identifier, const std::string& title, EntityType type = EntityType::event,
    CalendarBackend backend = CalendarBackend::vdir)
{
    auto calendar = std::make_shared<StoreCalendar>();
    calendar->calendarIdentifier = identifier;
    calendar->title = title;
    calendar->entityType = type;
    calendar->backend = backend;
    return calendar;
}

StoreEvent makeEvent(const std::string& identifier, StoreCalendarPointer calendar, Date start)
{
    StoreEvent event;
    event.eventIdentifier = identifier;
    event.calendarItemIdentifier = identifier;
    event.calendar = std::move(calendar);
    event.startDate = start;
    event.endDate = start + 1800;
    return event;
}

StoreReminder makeReminder(const std::string& identifier, StoreCalendarPointer list, Date due)
{
    StoreReminder reminder;
    reminder.calendarItemIdentifier = identifier;
    reminder.calendar = std::move(list);
    reminder.dueDate = due;
    return reminder;
}

// Files on one side, the desktop's service on the other, and one identifier in both.
struct TwoBackends {
    TwoBackends()
    {
        files->addCalendar(work);
        files->addCalendar(shared);
        files->addEvent(makeEvent("files-standup", work, Date(2000)));
        files->addEvent(makeEvent("files-shared", shared, Date(1000)));
        files->addCalendar(filesTasks);
        files->addReminder(makeReminder("files-task", filesTasks, Date(3000)));
        eds->addCalendar(home);
        eds->addCalendar(sharedAgain);
        eds->addEvent(makeEvent("eds-dentist", home, Date(1500)));
        eds->addEvent(makeEvent("eds-shared", sharedAgain, Date(1200)));
        eds->addCalendar(edsTasks);
        eds->addReminder(makeReminder("eds-task", edsTasks, Date(2500)));
        std::vector<std::unique_ptr<CalendarStore>> stores;
        stores.push_back(std::unique_ptr<CalendarStore>(files));
        stores.push_back(std::unique_ptr<CalendarStore>(eds));
        combined = std::make_unique<CombinedCalendarStore>(std::move(stores));
    }

    StoreCalendarPointer work = makeCalendar("work", "Work");
    StoreCalendarPointer shared = makeCalendar("same-id", "From files");
    StoreCalendarPointer filesTasks = makeCalendar("files-tasks", "Tasks", EntityType::reminder);
    StoreCalendarPointer home = makeCalendar("home", "Home", EntityType::event, CalendarBackend::eds);
    StoreCalendarPointer sharedAgain = makeCalendar("same-id", "From EDS", EntityType::event, CalendarBackend::eds);
    StoreCalendarPointer edsTasks = makeCalendar("eds-tasks", "Errands", EntityType::reminder, CalendarBackend::eds);
    MemoryCalendarStore* files = new MemoryCalendarStore;
    MemoryCalendarStore* eds = new MemoryCalendarStore;
    std::unique_ptr<CombinedCalendarStore> combined;
};

std::vector<std::string> identifiers(const std::vector<StoreEvent>& events)
{
    std::vector<std::string> result;
    for (auto& event : events)
        result.push_back(event.eventIdentifier);
    return result;
}

}

TEST(CombinedCalendarStore, AnIdentifierBelongsToTheFirstStoreThatHasItAndListsAreInTheInterfacesOrder)
{
    TwoBackends backends;
    std::vector<std::string> titles;
    for (auto& calendar : backends.combined->calendars(EntityType::event))
        titles.push_back(calendar->title);
    EXPECT_EQ(titles, (std::vector<std::string> { "From files", "Home", "Work" }));
    EXPECT_EQ(backends.combined->calendar("same-id")->title, "From files");
    EXPECT_EQ(backends.combined->calendar("home")->backend, CalendarBackend::eds);

    auto& combined = *backends.combined;
    auto events = combined.events(combined.predicateForEvents(Date(0), Date(10000), combined.calendars(EntityType::event)));
    EXPECT_EQ(identifiers(events), (std::vector<std::string> { "files-shared", "eds-dentist", "files-standup" }))
        << "the second store's calendar of the same identifier is not asked";
    EXPECT_TRUE(combined.event("eds-dentist").has_value()) << "lookups ask every store";
}

TEST(CombinedCalendarStore, RemindersOfBothStoresCompleteOnceByDueDate)
{
    TwoBackends backends;
    auto& combined = *backends.combined;
    std::promise<std::vector<StoreReminder>> answer;
    std::atomic<int> completions = 0;
    combined.fetchReminders(combined.predicateForIncompleteReminders(std::nullopt, std::nullopt, combined.calendars(EntityType::reminder)),
        [&](std::optional<std::vector<StoreReminder>> reminders) {
            if (++completions == 1)
                answer.set_value(reminders.value_or(std::vector<StoreReminder> {}));
        });
    auto reminders = answer.get_future().get();
    ASSERT_EQ(reminders.size(), 2u);
    EXPECT_EQ(reminders[0].calendarItemIdentifier, "eds-task");
    EXPECT_EQ(reminders[1].calendarItemIdentifier, "files-task");
    EXPECT_EQ(completions, 1);

    bool answeredAtOnce = false;
    combined.fetchReminders(combined.predicateForIncompleteReminders(std::nullopt, std::nullopt, {}),
        [&](std::optional<std::vector<StoreReminder>> reminders) { answeredAtOnce = reminders && reminders->empty(); });
    EXPECT_TRUE(answeredAtOnce) << "with no list to ask, the completion runs before the call returns";
}

TEST(CombinedCalendarStore, AccessIsGrantedWhenAnyStoreGrantsIt)
{
    TwoBackends backends;
    backends.files->setAuthorizationStatus(EntityType::event, AuthorizationStatus::denied);
    backends.files->setAccessAnswer(false, CalendarStoreError { "no calendar folder can be read" });
    EXPECT_EQ(backends.combined->authorizationStatus(EntityType::event), AuthorizationStatus::fullAccess);
    std::promise<bool> granted;
    backends.combined->requestFullAccess(EntityType::event, [&](bool answer, std::optional<CalendarStoreError>) { granted.set_value(answer); });
    EXPECT_TRUE(granted.get_future().get());

    backends.eds->setAuthorizationStatus(EntityType::event, AuthorizationStatus::denied);
    backends.eds->setAccessAnswer(false);
    EXPECT_EQ(backends.combined->authorizationStatus(EntityType::event), AuthorizationStatus::denied);
    std::promise<std::optional<CalendarStoreError>> refused;
    backends.combined->requestFullAccess(EntityType::event, [&](bool, std::optional<CalendarStoreError> error) { refused.set_value(error); });
    auto error = refused.get_future().get();
    ASSERT_TRUE(error);
    EXPECT_EQ(error->message, "no calendar folder can be read");
}

TEST(CalendarBackendChoice, ReadsTheThreeChoicesAndTakesAnyOtherValueAsAutomatic)
{
    EXPECT_EQ(CalendarBackendChoice::parse("vdir"), CalendarBackendChoice::Backend::vdir);
    EXPECT_EQ(CalendarBackendChoice::parse("eds"), CalendarBackendChoice::Backend::eds);
    EXPECT_EQ(CalendarBackendChoice::parse("auto"), CalendarBackendChoice::Backend::automatic);
    EXPECT_EQ(CalendarBackendChoice::parse("EDS"), std::nullopt);
    test::ScopedEnvironment environment("TARVIK_CALENDAR_BACKEND", "evolution");
    EXPECT_EQ(CalendarBackendChoice::fromEnvironment(), CalendarBackendChoice::Backend::automatic);
}

TEST(CalendarBackendChoice, WithoutASessionBusTheAutomaticChoiceIsTheFilesStoreAloneAndLoadsNoEdsLibrary)
{
    test::ScopedEnvironment environment;
    environment.set("DBUS_SESSION_BUS_ADDRESS", std::nullopt).set("XDG_RUNTIME_DIR", std::nullopt).set("TARVIK_CALENDAR_BACKEND", "auto");
    auto store = CalendarBackendChoice::makeDefaultStore(ICalendarStore::Monitoring::off);
    EXPECT_TRUE(dynamic_cast<ICalendarStore*>(store.get()));
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line)) {
        EXPECT_EQ(line.find("libecal"), std::string::npos) << line;
        EXPECT_EQ(line.find("tarvik-eds"), std::string::npos) << line;
    }
}
