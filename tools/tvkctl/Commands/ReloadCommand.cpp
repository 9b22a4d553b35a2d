#include "Platform/CommandLine/Command.hpp"
#include "Platform/CommandLine/JsonPrinting.hpp"
#include "Platform/Runtime/ISO8601.hpp"
#include "TVKCore/Events/EventPrinting.hpp"
#include "TVKCore/Schedule/CalendarEventManager.hpp"
#include "TVKUtils/DateFormatter.hpp"
#include "tools/tvkctl/ManagerReload.hpp"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <ostream>

namespace tvk::tvkctl {

using namespace tvk::cli;

namespace {

struct Lists {
    std::vector<Event> currentEvents;
    std::vector<Event> scheduledEvents;
    std::vector<Event> pendingEvents;
    std::vector<Event> snoozedPastAppleReminderEvents;
    std::vector<Event> pendingAppleReminderEvents;
    std::vector<Event> allCachedUpcomingEvents;
    std::vector<Event> allCachedCurrentEvents;
    std::vector<AlertInvocation> invocations;

    static Lists of(const CalendarEventManager& manager)
    {
        return {
            manager.currentEvents(),
            manager.scheduledEvents(),
            manager.pendingEvents(),
            manager.snoozedPastAppleReminderEvents(),
            manager.pendingAppleReminderEvents(),
            manager.allCachedUpcomingEvents(),
            manager.allCachedCurrentEvents(),
            manager.invocations(),
        };
    }
};

nlohmann::json eventsJson(const std::vector<Event>& events)
{
    auto list = nlohmann::json::array();
    for (auto& event : events)
        list.push_back(eventJson(event));
    return list;
}

bool contains(const std::vector<Event>& events, const Event& event)
{
    return std::find(events.begin(), events.end(), event) != events.end();
}

void writeJson(std::ostream& out, const Lists& lists)
{
    auto invocations = nlohmann::json::array();
    for (auto& invocation : lists.invocations) {
        invocations.push_back({
            { "date", ISO8601::format(invocation.date) },
            { "eventId", invocation.event.id },
            { "title", invocation.event.title ? nlohmann::json(*invocation.event.title) : nlohmann::json(nullptr) },
            { "isSnooze", invocation.isSnooze },
        });
    }
    nlohmann::json result {
        { "currentEvents", eventsJson(lists.currentEvents) },
        { "scheduledEvents", eventsJson(lists.scheduledEvents) },
        { "pendingEvents", eventsJson(lists.pendingEvents) },
        { "snoozedPastAppleReminderEvents", eventsJson(lists.snoozedPastAppleReminderEvents) },
        { "pendingAppleReminderEvents", eventsJson(lists.pendingAppleReminderEvents) },
        { "allCachedUpcomingEvents", eventsJson(lists.allCachedUpcomingEvents) },
        { "allCachedCurrentEvents", eventsJson(lists.allCachedCurrentEvents) },
        { "invocations", invocations },
    };
    out << printJson(result) << '\n';
}

// Together the two combined lists hold every event of the five, so a person reads those two,
// with a mark on the events whose alert is due, and the counts of the five at the end.
void writeText(std::ostream& out, const Lists& lists, Date now)
{
    out << "Now: " << DateFormatter::weekDay().string(now) << ", " << DateFormatter::dateOnly().string(now) << ", "
        << DateFormatter::timeOnly().string(now) << "\n\n";

    out << "Going on now\n";
    if (lists.allCachedCurrentEvents.empty())
        out << "  nothing\n";
    for (auto& event : lists.allCachedCurrentEvents) {
        out << "  " << eventLine(event);
        if (contains(lists.snoozedPastAppleReminderEvents, event))
            out << "  [snoozed reminder]";
        out << '\n';
    }

    out << "\nComing up\n";
    if (lists.allCachedUpcomingEvents.empty())
        out << "  nothing\n";
    for (auto& event : lists.allCachedUpcomingEvents) {
        out << "  " << eventLine(event);
        if (contains(lists.pendingEvents, event) || contains(lists.pendingAppleReminderEvents, event))
            out << "  [alert due now]";
        else if (!contains(lists.scheduledEvents, event))
            out << "  [alert passed]";
        out << '\n';
    }

    // The schedule is kept by source (calendar events, own reminders, store reminders); a
    // person reads it by time.
    auto schedule = lists.invocations;
    std::stable_sort(schedule.begin(), schedule.end(), [](auto& a, auto& b) { return a.date < b.date; });
    out << "\nAlert schedule\n";
    if (schedule.empty())
        out << "  no alerts ahead\n";
    for (auto& invocation : schedule) {
        out << "  " << DateFormatter::timeAndDateFormatter().string(invocation.date) << "  "
            << invocation.event.title.value_or("(untitled)");
        if (invocation.isSnooze)
            out << " (snooze)";
        out << '\n';
    }

    out << "\n"
        << lists.currentEvents.size() << " current, " << lists.scheduledEvents.size() << " scheduled, " << lists.pendingEvents.size()
        << " pending, " << lists.pendingAppleReminderEvents.size() << " pending reminders, " << lists.snoozedPastAppleReminderEvents.size()
        << " snoozed past reminders\n";
}

class ReloadCommand final : public Command {
public:
    ReloadCommand()
        : Command("reload", "run one reload of the event lists and the alert schedule")
    {
        readsTheClock();
        form(&ReloadCommand::run).flag("json");
    }

private:
    std::string description() const override
    {
        return "Runs one reload as the widgets do, at the clock's time (pin it with the global\n"
               "--now), over the active calendars and reminder lists, the settings and the own\n"
               "reminders, and prints what it produced: the events going on now, the upcoming\n"
               "ones with their join links, and the alert schedule.\n"
               "\n"
               "With --json, one object with the lists currentEvents, scheduledEvents,\n"
               "pendingEvents, snoozedPastAppleReminderEvents, pendingAppleReminderEvents,\n"
               "allCachedUpcomingEvents and allCachedCurrentEvents (each event as `tvkctl\n"
               "events` prints it) and invocations ({date, eventId, title, isSnooze}); dates\n"
               "are ISO 8601 with offset.\n"
               "\n"
               "Nothing is loaded from calendars that are not active: see `tvkctl calendars`.\n";
    }

    CommandResult run(const Invocation& call) const
    {
        Date now = Date::now();
        auto& manager = CalendarEventManager::shared();
        if (auto reloaded = reloadAndWait(manager); !reloaded)
            return reloaded;
        auto lists = Lists::of(manager);
        if (call.arguments.flag("json"))
            writeJson(call.out, lists);
        else
            writeText(call.out, lists, now);
        return {};
    }
};

}

TVK_REGISTER_COMMAND(ReloadCommand)

}
