#include "Platform/CommandLine/Command.hpp"
#include "Platform/CommandLine/JsonPrinting.hpp"
#include "Platform/Runtime/ISO8601.hpp"
#include "TVKCore/Calendar/CalendarExtensions.hpp"
#include "TVKCore/Events/EventPrinting.hpp"
#include "TVKCore/Schedule/CalendarEventManager.hpp"
#include "TVKCore/Settings/CustomRemindersStore.hpp"
#include "TVKCore/Settings/UserSettingsStore.hpp"
#include "TVKUtils/DateFormatter.hpp"
#include "tools/tvkctl/ManagerReload.hpp"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <ostream>

namespace tvk::tvkctl {

using namespace tvk::cli;

namespace {

// One step of the build as a person reads it. A step the build did not reach is not listed:
// the first step that did not pass is the reason.
struct Step {
    std::string name;
    bool passed = true;
    std::string detail;
};

// The item the build was asked about, and what it decided. `decision` is absent when the item
// never reaches the build (its calendar is not active, no occurrence lies in the window).
struct Explanation {
    std::string id;
    std::optional<std::string> title;
    std::optional<Date> start;
    std::optional<Date> end;
    std::vector<Step> steps;
    std::string outcome;
    std::optional<AlertDecision> alert;
    std::vector<std::string> lists;
};

std::string onOff(bool value)
{
    return value ? "on" : "off";
}

std::string seconds(TimeInterval interval)
{
    return std::to_string(static_cast<std::int64_t>(interval)) + " s";
}

std::string outcomeName(ScheduleDecision::Outcome outcome)
{
    switch (outcome) {
    case ScheduleDecision::Outcome::excludedByRule: return "excludedByRule";
    case ScheduleDecision::Outcome::ineligible: return "ineligible";
    case ScheduleDecision::Outcome::undated: return "undated";
    case ScheduleDecision::Outcome::withoutVideoConference: return "withoutVideoConference";
    case ScheduleDecision::Outcome::excludedBySettings: return "excludedBySettings";
    case ScheduleDecision::Outcome::alertPassed: return "alertPassed";
    case ScheduleDecision::Outcome::scheduled: return "scheduled";
    }
    return "scheduled";
}

std::string offsetSourceName(AlertDecision::OffsetSource source)
{
    switch (source) {
    case AlertDecision::OffsetSource::user: return "user";
    case AlertDecision::OffsetSource::event: return "event";
    case AlertDecision::OffsetSource::ownReminder: return "ownReminder";
    }
    return "user";
}

Step ruleStep(const ScheduleDecision& decision)
{
    if (!decision.excludingRule)
        return { "excludeRules", true, "no exclude rule matches" };
    auto& rule = *decision.excludingRule;
    return { "excludeRules", false,
        "excluded by rule " + rule.id.uuidString() + " on the " + std::string(FilterRule::rawValue(rule.field)) + ": " + rule.summary() };
}

// The steps of an eligible item after the eligibility tests: the video-call setting, the
// event's own settings and the alert, as far as the build went.
void addAlertSteps(const ScheduleDecision& decision, bool checksVideoCall, std::vector<Step>& steps)
{
    auto& settings = UserSettingsStore::shared();
    if (checksVideoCall && decision.event) {
        auto links = decision.event->videoConferenceLinks.size();
        bool only = settings.showOnlyEventsWithVideoConference();
        steps.push_back({ "videoCall", decision.outcome != ScheduleDecision::Outcome::withoutVideoConference,
            std::to_string(links) + (links == 1 ? " video-call link" : " video-call links") + "; only events with a video call: " + onOff(only) });
    }
    if (!decision.alert)
        return;
    auto& alert = *decision.alert;
    if (alert.offsetSource != AlertDecision::OffsetSource::ownReminder) {
        bool excluded = alert.outcome == AlertDecision::Outcome::excludedBySettings;
        steps.push_back({ "eventSettings", !excluded,
            excluded                                                 ? "the event's own settings exclude it"
                : alert.offsetSource == AlertDecision::OffsetSource::event ? "the event's own offset of " + seconds(alert.offset)
                                                                           : "no own offset: the user's offset of " + seconds(alert.offset) });
        if (excluded)
            return;
    }
    std::string detail = "start - " + seconds(alert.offset) + " offset";
    if (alert.offsetSource == AlertDecision::OffsetSource::ownReminder)
        detail += " (the reminder's own)";
    detail += settings.includeTravelTime() && alert.offsetSource != AlertDecision::OffsetSource::ownReminder
        ? " - " + seconds(alert.travelTime) + " travel time"
        : " (travel time not included)";
    detail += " = " + DateFormatter::timeAndDateFormatter().string(alert.date);
    bool passed = alert.outcome == AlertDecision::Outcome::scheduled;
    detail += passed ? ", ahead" : ", already passed";
    steps.push_back({ "alert", passed, detail });
}

std::vector<Step> eventSteps(const StoreEvent& event, const ScheduleDecision& decision)
{
    std::vector<Step> steps;
    steps.push_back(ruleStep(decision));
    if (decision.excludingRule)
        return steps;
    auto eligibilitySettings = EligibilitySettings::current();
    auto reached = decision.eligibility;
    steps.push_back({ "allDay", reached != Eligibility::allDay, event.isAllDay ? "all-day: no alert" : "not all-day" });
    if (reached == Eligibility::allDay)
        return steps;
    steps.push_back(
        { "cancelled", reached != Eligibility::cancelled, event.status == EventStatus::canceled ? "cancelled" : "not cancelled" });
    if (reached == Eligibility::cancelled)
        return steps;
    auto answer = attendance(event, eligibilitySettings);
    steps.push_back({ "attendance", answer.isAttending,
        (answer.status ? std::string("the user's answer: ") + statusName(*answer.status) : std::string("the user is not among the attendees"))
            + "; only accepted events: " + onOff(eligibilitySettings.showOnlyAcceptedEvents) });
    if (reached == Eligibility::notAttending)
        return steps;
    steps.push_back({ "alarm", reached != Eligibility::withoutAlarm,
        std::string(hasAlerts(event) ? "has an alarm" : "has no alarm") + "; only events with an alarm: "
            + onOff(eligibilitySettings.showOnlyEventsWithAlert) });
    if (reached == Eligibility::withoutAlarm)
        return steps;
    addAlertSteps(decision, true, steps);
    return steps;
}

std::vector<Step> storeReminderSteps(const ScheduleDecision& decision)
{
    std::vector<Step> steps;
    steps.push_back(ruleStep(decision));
    if (decision.excludingRule)
        return steps;
    auto reached = decision.reminderEligibility;
    steps.push_back({ "completed", reached != ReminderEligibility::completed, reached == ReminderEligibility::completed ? "completed" : "not completed" });
    if (reached == ReminderEligibility::completed)
        return steps;
    bool dated = reached != ReminderEligibility::undated && decision.outcome != ScheduleDecision::Outcome::undated;
    steps.push_back({ "dated", dated, dated ? "has a due date" : "no usable start or due date" });
    if (!dated)
        return steps;
    steps.push_back({ "alarm", reached != ReminderEligibility::withoutAlarms, reached == ReminderEligibility::withoutAlarms ? "has no alarm" : "has alarms" });
    if (reached == ReminderEligibility::withoutAlarms)
        return steps;
    addAlertSteps(decision, false, steps);
    return steps;
}

// The lists of the reload that hold the item, told apart from other occurrences by the start.
std::vector<std::string> listsHolding(const CalendarEventManager& manager, const std::string& id, std::optional<Date> start)
{
    auto holds = [&](const std::vector<Event>& events) {
        return std::any_of(events.begin(), events.end(), [&](const Event& event) { return event.id == id && (!start || event.startDate == *start); });
    };
    std::vector<std::string> lists;
    std::pair<const char*, std::vector<Event>> named[] = {
        { "currentEvents", manager.currentEvents() },
        { "scheduledEvents", manager.scheduledEvents() },
        { "pendingEvents", manager.pendingEvents() },
        { "snoozedPastAppleReminderEvents", manager.snoozedPastAppleReminderEvents() },
        { "pendingAppleReminderEvents", manager.pendingAppleReminderEvents() },
        { "allCachedUpcomingEvents", manager.allCachedUpcomingEvents() },
        { "allCachedCurrentEvents", manager.allCachedCurrentEvents() },
    };
    for (auto& [name, events] : named) {
        if (holds(events))
            lists.push_back(name);
    }
    auto invocations = manager.invocations();
    if (std::any_of(invocations.begin(), invocations.end(),
            [&](const AlertInvocation& invocation) { return invocation.event.id == id && (!start || invocation.event.startDate == *start); }))
        lists.push_back("invocations");
    return lists;
}

bool isActive(const std::vector<StoreCalendarPointer>& active, const StoreCalendarPointer& calendar)
{
    return calendar && std::any_of(active.begin(), active.end(), [&](auto& candidate) {
        return candidate->calendarIdentifier == calendar->calendarIdentifier;
    });
}

std::string calendarName(const StoreCalendarPointer& calendar)
{
    return calendar ? calendar->title : "(no calendar)";
}

// The occurrences of a series that a reload at `now` fetches, had its calendar been active.
std::vector<StoreEvent> occurrencesInWindow(const CalendarEventManager& manager, const StoreEvent& stored, Date now)
{
    auto& store = manager.aggregatedEventStore().eventStore();
    auto all = store.events(store.predicateForEvents(now, CalendarEventManager::windowEnd(now), { stored.calendar }));
    std::vector<StoreEvent> occurrences;
    std::copy_if(all.begin(), all.end(), std::back_inserter(occurrences),
        [&](const StoreEvent& event) { return event.eventIdentifier == stored.eventIdentifier; });
    return occurrences;
}

// The decision's steps, outcome and alert, and the reload's lists that hold the item.
void conclude(Explanation& explanation, const std::vector<Step>& steps, const ScheduleDecision& decision, const CalendarEventManager& manager)
{
    explanation.steps.insert(explanation.steps.end(), steps.begin(), steps.end());
    explanation.outcome = outcomeName(decision.outcome);
    explanation.alert = decision.alert;
    explanation.lists = listsHolding(manager, explanation.id, explanation.start);
}

Explanation explainEvent(const CalendarEventManager& manager, const StoreEvent& stored, Date now)
{
    Explanation explanation { .id = stored.eventIdentifier, .title = stored.title };
    bool active = isActive(manager.aggregatedEventStore().activeCalendars(), stored.calendar);
    explanation.steps.push_back({ "calendarActive", active, calendarName(stored.calendar) + (active ? " is active" : " is not active") });
    if (!active) {
        explanation.outcome = "calendarNotActive";
        return explanation;
    }
    // The first occurrence the reload fetches: the one going on or the next.
    auto occurrences = occurrencesInWindow(manager, stored, now);
    if (occurrences.empty()) {
        explanation.steps.push_back({ "window", false,
            "no occurrence between now and " + DateFormatter::timeAndDateFormatter().string(CalendarEventManager::windowEnd(now)) });
        explanation.outcome = "outsideWindow";
        return explanation;
    }
    auto& occurrence = *std::min_element(
        occurrences.begin(), occurrences.end(), [](const StoreEvent& a, const StoreEvent& b) { return a.startDate < b.startDate; });
    explanation.start = occurrence.startDate;
    explanation.end = occurrence.endDate;
    explanation.steps.push_back({ "window", true, "the occurrence at " + DateFormatter::timeAndDateFormatter().string(occurrence.startDate) });
    auto decision = manager.decision(occurrence, now);
    auto steps = eventSteps(occurrence, decision);
    conclude(explanation, steps, decision, manager);
    return explanation;
}

Explanation explainStoreReminder(const CalendarEventManager& manager, const StoreReminder& reminder, Date now)
{
    Explanation explanation { .id = reminder.calendarItemIdentifier, .title = reminder.title };
    bool active = isActive(manager.aggregatedEventStore().activeReminderCalendars(), reminder.calendar);
    explanation.steps.push_back(
        { "calendarActive", active, calendarName(reminder.calendar) + (active ? " is active" : " is not active") });
    if (!active) {
        explanation.outcome = "calendarNotActive";
        return explanation;
    }
    auto decision = manager.decision(reminder, now);
    if (decision.event) {
        explanation.start = decision.event->startDate;
        explanation.end = decision.event->endDate;
    }
    auto steps = storeReminderSteps(decision);
    conclude(explanation, steps, decision, manager);
    return explanation;
}

Explanation explainOwnReminder(const CalendarEventManager& manager, const Reminder& reminder, Date now)
{
    auto decision = manager.decision(reminder, now);
    Explanation explanation { .id = decision.event->id, .title = decision.event->title };
    explanation.start = decision.event->startDate;
    explanation.end = decision.event->endDate;
    explanation.steps.push_back({ "ownReminder", true, "an own reminder: no rule, setting or travel time applies" });
    conclude(explanation, {}, decision, manager);
    addAlertSteps(decision, false, explanation.steps);
    return explanation;
}

nlohmann::json optionalDate(const std::optional<Date>& date)
{
    return date ? nlohmann::json(ISO8601::format(*date)) : nlohmann::json(nullptr);
}

void writeJson(std::ostream& out, const Explanation& explanation)
{
    auto steps = nlohmann::json::array();
    for (auto& step : explanation.steps)
        steps.push_back({ { "step", step.name }, { "passed", step.passed }, { "detail", step.detail } });
    nlohmann::json alert = nullptr;
    if (explanation.alert && explanation.alert->outcome != AlertDecision::Outcome::excludedBySettings) {
        auto& decided = *explanation.alert;
        alert = {
            { "date", ISO8601::format(decided.date) },
            { "offset", decided.offset },
            { "offsetSource", offsetSourceName(decided.offsetSource) },
            { "travelTime", decided.travelTime },
            { "passed", decided.outcome == AlertDecision::Outcome::passed },
        };
    }
    nlohmann::json result {
        { "id", explanation.id },
        { "title", explanation.title ? nlohmann::json(*explanation.title) : nlohmann::json(nullptr) },
        { "start", optionalDate(explanation.start) },
        { "end", optionalDate(explanation.end) },
        { "steps", steps },
        { "outcome", explanation.outcome },
        { "alert", alert },
        { "lists", explanation.lists },
    };
    out << printJson(result) << '\n';
}

void writeText(std::ostream& out, const Explanation& explanation)
{
    out << "\"" << explanation.title.value_or("(untitled)") << "\"  " << explanation.id << '\n';
    if (explanation.start)
        out << DateFormatter::timeAndDateFormatter().string(*explanation.start) << '\n';
    out << '\n';
    for (auto& step : explanation.steps)
        out << (step.passed ? "  ok    " : "  stop  ") << step.name << ": " << step.detail << '\n';
    out << "\noutcome: " << explanation.outcome << '\n';
    out << "lists: ";
    if (explanation.lists.empty())
        out << "none";
    for (size_t index = 0; index < explanation.lists.size(); ++index)
        out << (index > 0 ? ", " : "") << explanation.lists[index];
    out << '\n';
}

// Calendar events of every listed calendar, active or not, whose title contains `text` in any
// letter case, as an exclude rule on the title would find them, in the window a reload at `now`
// reads.
std::vector<StoreEvent> eventsTitled(const CalendarEventManager& manager, const std::string& text, Date now)
{
    auto& store = manager.aggregatedEventStore().eventStore();
    auto calendars = manager.aggregatedEventStore().calendars(EntityType::event);
    if (calendars.empty())
        return {};
    FilterRule rule { .field = FilterRule::Field::title, .comparison = FilterRule::ComparisonOperation::contains, .value = text, .isCaseSensitive = false };
    std::vector<StoreEvent> found;
    for (auto& event : store.events(store.predicateForEvents(now, CalendarEventManager::windowEnd(now), calendars))) {
        if (matches(event, rule))
            found.push_back(std::move(event));
    }
    return found;
}

class ExplainCommand final : public Command {
public:
    ExplainCommand()
        : Command("explain", "tell why an event alerts and shows, or why not")
    {
        readsTheClock();
        form(&ExplainCommand::run).positional("EVENT-ID", Requirement::optional).option("title", "TEXT").flag("json");
    }

private:
    std::string description() const override
    {
        return "Runs one reload at the clock's time (pin it with the global --now) and tells,\n"
               "for one event, each decision the reload took about it, in the order it took\n"
               "them, until the first that left the event out: the calendar is active, an\n"
               "occurrence lies in the window of upcoming days, no exclude rule matches (else\n"
               "which rule, on which field), not all-day, not cancelled, the user's answer and\n"
               "the only-accepted setting, the alarm and the only-with-alarm setting, the video\n"
               "call and its setting, the event's own settings, and the offset and travel time\n"
               "that give the alert time. Then the lists of the reload that hold the event.\n"
               "\n"
               "EVENT-ID is an event id as `tvkctl events` or `tvkctl reload --json` print it (a\n"
               "store reminder's or an own reminder's id works too); of a series, the\n"
               "occurrence going on or the next is explained. --title TEXT finds the calendar\n"
               "event in the window whose title contains TEXT, in any letter case; when\n"
               "several events match, their ids are listed and nothing is explained.\n"
               "\n"
               "With --json, one object: id, title, start, end, steps ([{step, passed, detail}]),\n"
               "outcome (calendarNotActive, outsideWindow, excludedByRule, ineligible, undated,\n"
               "withoutVideoConference, excludedBySettings, alertPassed or scheduled), alert\n"
               "({date, offset, offsetSource, travelTime, passed} or null) and lists.\n"
               "Exits 1 when no event matches.\n";
    }

    CommandResult run(const Invocation& call) const
    {
        auto identifier = call.arguments.optionalPositional("EVENT-ID");
        auto title = call.arguments.option("title");
        if (identifier.has_value() == title.has_value())
            return usageError("give either EVENT-ID or --title TEXT");

        auto& manager = managerReadingOnce();
        if (auto reloaded = reloadAndWait(manager); !reloaded)
            return reloaded;
        Date now = Date::now();

        std::optional<Explanation> explanation;
        if (title) {
            auto found = eventsTitled(manager, *title, now);
            if (found.empty())
                return failure("no event of the coming days has a title containing \"" + *title + "\"");
            std::vector<std::string> ids;
            for (auto& event : found) {
                if (std::find(ids.begin(), ids.end(), event.eventIdentifier) == ids.end())
                    ids.push_back(event.eventIdentifier);
            }
            if (ids.size() > 1) {
                std::string message = "several events have a title containing \"" + *title + "\"; give one of their ids:";
                for (auto& id : ids) {
                    auto event = std::find_if(found.begin(), found.end(), [&](auto& candidate) { return candidate.eventIdentifier == id; });
                    message += "\n  " + id + "  " + event->title.value_or("(untitled)");
                }
                return failure(message);
            }
            explanation = explainEvent(manager, found.front(), now);
        } else if (auto stored = manager.aggregatedEventStore().event(*identifier)) {
            explanation = explainEvent(manager, *stored, now);
        } else if (auto reminder = manager.aggregatedEventStore().reminder(*identifier)) {
            explanation = explainStoreReminder(manager, *reminder, now);
        } else if (auto own = CustomRemindersStore::shared().reminder(*identifier)) {
            explanation = explainOwnReminder(manager, *own, now);
        } else {
            return failure("no event has the identifier \"" + *identifier + "\"");
        }
        if (call.arguments.flag("json"))
            writeJson(call.out, *explanation);
        else
            writeText(call.out, *explanation);
        return {};
    }
};

}

TVK_REGISTER_COMMAND(ExplainCommand)

}
