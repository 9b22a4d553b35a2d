#include "Platform/CommandLine/Command.hpp"
#include "Platform/CommandLine/JsonPrinting.hpp"
#include "Platform/Runtime/ConcurrentLoop.hpp"
#include "Platform/Runtime/ISO8601.hpp"
#include "TVKCore/Events/EventPrinting.hpp"
#include "TVKCore/Schedule/CalendarEventManager.hpp"
#include "TVKUtils/DateFormatter.hpp"
#include "tools/tvkctl/ManagerReload.hpp"

#include <algorithm>
#include <deque>
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

bool contains(const std::vector<Event>& events, const Event& event)
{
    return std::find(events.begin(), events.end(), event) != events.end();
}

// A list item's text takes some microseconds; fewer than this many are not worth a thread.
constexpr size_t minimumItemsPerThread = 32;

// An item's text as printJson prints it on its own, moved in by the two levels of the list
// and the object around it (its first line is moved in by the writer).
std::string listItemText(const nlohmann::json& item)
{
    std::string text = printJson(item);
    std::string indented;
    indented.reserve(text.size() + text.size() / 8);
    for (size_t from = 0;;) {
        size_t newline = text.find('\n', from);
        if (newline == std::string::npos) {
            indented.append(text, from);
            return indented;
        }
        indented.append(text, from, newline + 1 - from);
        indented += "    ";
        from = newline + 1;
    }
}

// Writes what printJson writes for the object of all lists, but list by list and item by
// item: over a heavy calendar the lists hold thousands of events, and neither a second copy
// of every list nor a document of them all is ever held at once.
class JsonListsWriter {
public:
    explicit JsonListsWriter(std::ostream& out)
        : m_out(out)
    {
        m_pending += '{';
    }

    // Keys are to come in sorted order, as printJson sorts them. `toText` gives an item's
    // `listItemText`; it may keep the item.
    template<typename Item, typename ToText>
    void list(std::string_view key, std::vector<Item> items, ToText toText)
    {
        m_pending += m_first ? "\n  " : ",\n  ";
        m_pending += nlohmann::json(key).dump();
        m_pending += ": ";
        m_first = false;
        if (items.empty()) {
            m_pending += "[]";
            return;
        }
        m_pending += '[';
        bool firstItem = true;
        for (auto& item : items) {
            m_pending += firstItem ? "\n    " : ",\n    ";
            firstItem = false;
            m_pending += toText(item);
            if (m_pending.size() >= chunk)
                flush();
        }
        m_pending += "\n  ]";
    }

    void finish()
    {
        m_pending += m_first ? "}\n" : "\n}\n";
        flush();
    }

private:
    // The text goes out in pieces of about this size: over a heavy calendar it is megabytes,
    // which a write per item would hand to the system a few kilobytes at a time.
    static constexpr size_t chunk = 64 * 1024;

    void flush()
    {
        m_out.write(m_pending.data(), std::streamsize(m_pending.size()));
        m_pending.clear();
    }

    std::ostream& m_out;
    std::string m_pending;
    bool m_first = true;
};

// Printed events, remembered: the schedule and the current and pending lists name events of
// the combined lists again, and an event's text is most of the time spent on printing. An
// event is met again only when it is equal in everything.
class EventTexts {
public:
    // Keeps `event` (moved from) when it is new.
    const std::string& of(Event& event)
    {
        if (auto* known = find(event))
            return *known;
        auto text = listItemText(eventJson(event));
        return remember(std::move(event), std::move(text));
    }

    // The texts of `events` in their order, those not met before printed on every core; the
    // new events are kept (moved from).
    std::vector<const std::string*> ofAll(std::vector<Event> events)
    {
        std::vector<const std::string*> texts(events.size());
        std::vector<std::string> printed(events.size());
        for (size_t i = 0; i < events.size(); ++i)
            texts[i] = find(events[i]);
        concurrentLoop(events.size(), minimumItemsPerThread, [&](size_t i) {
            if (!texts[i])
                printed[i] = listItemText(eventJson(events[i]));
        });
        for (size_t i = 0; i < events.size(); ++i) {
            if (texts[i])
                continue;
            // The same event twice in one list is printed twice, and kept once.
            texts[i] = find(events[i]);
            if (!texts[i])
                texts[i] = &remember(std::move(events[i]), std::move(printed[i]));
        }
        return texts;
    }

private:
    const std::string* find(const Event& event)
    {
        auto bucket = m_printed.find({ event.startDate, event.id });
        if (bucket == m_printed.end())
            return nullptr;
        for (auto& [printed, text] : bucket->second) {
            if (printed == event)
                return &text;
        }
        return nullptr;
    }

    const std::string& remember(Event event, std::string text)
    {
        auto key = std::make_pair(event.startDate, event.id);
        return m_printed[std::move(key)].emplace_back(std::move(event), std::move(text)).second;
    }

    // A deque, so that the texts handed out stay where they are while more come.
    std::map<std::pair<Date, std::string>, std::deque<std::pair<Event, std::string>>> m_printed;
};

void writeJson(std::ostream& out, const CalendarEventManager& manager)
{
    auto invocationJson = [](const AlertInvocation& invocation) {
        // Member by member, as eventJson fills an event.
        nlohmann::json json = nlohmann::json::object();
        json.emplace("date", ISO8601::format(invocation.date));
        json.emplace("eventId", invocation.event.id);
        json.emplace("title", invocation.event.title ? nlohmann::json(*invocation.event.title) : nlohmann::json(nullptr));
        json.emplace("isSnooze", invocation.isSnooze);
        return listItemText(json);
    };
    EventTexts texts;
    auto eventText = [&](Event& event) -> const std::string& { return texts.of(event); };
    JsonListsWriter writer(out);
    auto text = [](const std::string* text) -> const std::string& { return *text; };
    writer.list("allCachedCurrentEvents", texts.ofAll(manager.allCachedCurrentEvents()), text);
    writer.list("allCachedUpcomingEvents", texts.ofAll(manager.allCachedUpcomingEvents()), text);
    writer.list("currentEvents", manager.currentEvents(), eventText);
    // An alert per event of the schedule: as many as the events, printed on every core too.
    std::vector<std::string> invocationTexts;
    {
        auto invocations = manager.invocations();
        invocationTexts.resize(invocations.size());
        concurrentLoop(invocations.size(), minimumItemsPerThread, [&](size_t i) { invocationTexts[i] = invocationJson(invocations[i]); });
    }
    writer.list("invocations", std::move(invocationTexts), [](const std::string& text) -> const std::string& { return text; });
    writer.list("pendingAppleReminderEvents", manager.pendingAppleReminderEvents(), eventText);
    writer.list("pendingEvents", manager.pendingEvents(), eventText);
    writer.list("scheduledEvents", manager.scheduledEvents(), eventText);
    writer.list("snoozedPastAppleReminderEvents", manager.snoozedPastAppleReminderEvents(), eventText);
    writer.finish();
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
        auto& manager = managerReadingOnce();
        if (auto reloaded = reloadAndWait(manager); !reloaded)
            return reloaded;
        if (call.arguments.flag("json"))
            writeJson(call.out, manager);
        else
            writeText(call.out, Lists::of(manager), now);
        return {};
    }
};

}

TVK_REGISTER_COMMAND(ReloadCommand)

}
