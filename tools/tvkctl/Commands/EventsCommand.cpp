#include "Platform/Calendar/CalendarBackendChoice.hpp"
#include "Platform/CommandLine/Command.hpp"
#include "Platform/CommandLine/JsonPrinting.hpp"
#include "Platform/Runtime/ISO8601.hpp"
#include "TVKCore/Events/Event.hpp"
#include "TVKCore/Events/EventPrinting.hpp"
#include "TVKUtils/TimeUnits.hpp"

#include <nlohmann/json.hpp>
#include <ostream>

namespace tvk::tvkctl {

using namespace tvk::cli;

namespace {

/// Indented lines under a store event: id and kind, the time span as the widgets write it,
/// every link, and the spoken summary.
void writeEventDetails(std::ostream& out, const Event& event)
{
    out << "    " << event.id << "  (" << rawValue(event.type) << ")\n    " << event.formattedTimeAndDate() << '\n';
    for (auto& link : event.videoConferenceLinks)
        out << "    link " << link.service.id << ' ' << link.url.absoluteString() << '\n';
    out << "    " << event.accessibilityValue() << '\n';
}

const char* statusName(EventStatus status)
{
    switch (status) {
    case EventStatus::none: return "none";
    case EventStatus::confirmed: return "confirmed";
    case EventStatus::tentative: return "tentative";
    case EventStatus::canceled: return "canceled";
    }
    return "none";
}

class EventsCommand final : public Command {
public:
    EventsCommand()
        : Command("events", "list the calendar occurrences in a time window")
    {
        form(&EventsCommand::run)
            .option("from", "ISO-8601", ValueType::date, Requirement::required)
            .option("to", "ISO-8601", ValueType::date, Requirement::required)
            .flag("json");
    }

private:
    std::string description() const override
    {
        return "Lists every event and every occurrence of a recurring event that overlaps the\n"
               "window (edges included), across all calendars, delegated ones included: event\n"
               "and calendar-item identifiers, title, start, end and occurrence date (ISO 8601\n"
               "with offset), all-day, status, detached, travel time and attendee count; and\n"
               "as the event core sees each one: its id and kind, its video-call links (service\n"
               "and URL), its time span as the widgets write it, and its spoken summary.\n";
    }

    CommandResult run(const Invocation& call) const
    {
        Date from = *call.arguments.date("from");
        Date to = *call.arguments.date("to");
        if (to < from)
            return usageError("--to is earlier than --from");
        auto& out = call.out;
        auto store = CalendarBackendChoice::makeDefaultStore(ICalendarStore::Monitoring::off);
        auto delegated = store->makeStore(store->delegateSources());
        std::vector<StoreEvent> events;
        for (CalendarStore* source : { static_cast<CalendarStore*>(store.get()), delegated.get() }) {
            auto found = source->events(source->predicateForEvents(from, to, source->calendars(EntityType::event)));
            events.insert(events.end(), found.begin(), found.end());
        }
        std::stable_sort(events.begin(), events.end(), [](auto& a, auto& b) { return a.startDate < b.startDate; });

        if (call.arguments.flag("json")) {
            auto list = nlohmann::json::array();
            for (auto& event : events) {
                // The event core's view, plus what only the store knows.
                auto json = eventJson(Event::fromCalendarEvent(event));
                json["eventIdentifier"] = event.eventIdentifier;
                json["isAllDay"] = event.isAllDay;
                json["status"] = statusName(event.status);
                json["isDetached"] = event.isDetached;
                json["attendees"] = event.attendees.size();
                list.push_back(std::move(json));
            }
            out << printJson(list) << '\n';
            return {};
        }
        if (events.empty()) {
            out << "no events between " << ISO8601::format(from) << " and " << ISO8601::format(to) << '\n';
            return {};
        }
        for (auto& event : events) {
            out << ISO8601::format(event.startDate) << " – " << ISO8601::format(event.endDate) << "  "
                << event.title.value_or("(untitled)");
            if (event.isAllDay)
                out << "  [all day]";
            if (event.status == EventStatus::canceled)
                out << "  [cancelled]";
            if (event.isDetached)
                out << "  [moved]";
            if (event.travelTime)
                out << "  [travel " << static_cast<long>(asMinutes(travelTimeInWholeMinutes(*event.travelTime))) << " min]";
            out << '\n';
            writeEventDetails(out, Event::fromCalendarEvent(event));
        }
        return {};
    }
};

}

TVK_REGISTER_COMMAND(EventsCommand)

}
