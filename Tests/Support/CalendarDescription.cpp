#include "Tests/Support/CalendarDescription.hpp"

#include "Platform/Runtime/ISO8601.hpp"

#include <condition_variable>
#include <mutex>
#include <sstream>

namespace tvk::test {

namespace {

// Quoted, on one line.
std::string text(const std::optional<std::string>& value)
{
    if (!value)
        return "-";
    std::string quoted = "\"";
    for (char c : *value)
        quoted += c == '\n' ? std::string("\\n") : c == '\r' ? std::string("\\r") : std::string(1, c);
    return quoted + "\"";
}

std::string date(const std::optional<Date>& value)
{
    return value ? ISO8601::format(*value) : "-";
}

std::string number(const std::optional<double>& value)
{
    return value ? std::to_string(*value) : "-";
}

std::string participant(const StoreParticipant& participant)
{
    return participant.description() + " role " + std::to_string(static_cast<int>(participant.role))
        + (participant.isCurrentUser ? " me" : "");
}

std::string calendar(const StoreCalendarPointer& calendar)
{
    if (!calendar)
        return "-";
    return calendar->calendarIdentifier + " \"" + calendar->title + "\" " + calendar->color.hexString() + " type "
        + std::to_string(static_cast<int>(calendar->type)) + " source \"" + calendar->source.title + "\"";
}

std::string alarm(const StoreAlarm& alarm)
{
    return "alarm " + number(alarm.relativeOffset) + " " + date(alarm.absoluteDate);
}

}

std::vector<std::string> describe(CalendarStore& store, Date start, Date end)
{
    std::vector<std::string> lines;
    for (auto& event : store.events(store.predicateForEvents(start, end, store.calendars(EntityType::event)))) {
        std::ostringstream line;
        line << ISO8601::format(event.startDate) << " " << ISO8601::format(event.endDate) << " " << event.eventIdentifier << " "
             << event.calendarItemIdentifier << " " << text(event.title) << " at " << text(event.location) << " url " << text(event.url)
             << " notes " << text(event.notes) << " occurrence " << date(event.occurrenceDate) << (event.isAllDay ? " all-day" : "")
             << (event.hasRecurrenceRules ? " recurring" : "") << (event.isDetached ? " detached" : "") << " status "
             << static_cast<int>(event.status) << " travel " << number(event.travelTime) << " in " << calendar(event.calendar);
        if (event.organizer)
            line << " organizer " << participant(*event.organizer);
        for (auto& attendee : event.attendees)
            line << " attendee " << participant(attendee);
        for (auto& each : event.alarms)
            line << " " << alarm(each);
        lines.push_back(line.str());
    }
    std::mutex mutex;
    std::condition_variable fetched;
    std::optional<std::optional<std::vector<StoreReminder>>> reminders;
    store.fetchReminders(store.predicateForIncompleteReminders(std::nullopt, std::nullopt, store.calendars(EntityType::reminder)),
        [&](std::optional<std::vector<StoreReminder>> result) {
            std::lock_guard lock(mutex);
            reminders = std::move(result);
            fetched.notify_all();
        });
    std::unique_lock lock(mutex);
    fetched.wait(lock, [&] { return reminders.has_value(); });
    for (auto& reminder : reminders->value_or(std::vector<StoreReminder> {})) {
        std::ostringstream line;
        line << "to-do " << reminder.calendarItemIdentifier << " " << text(reminder.title) << " due " << date(reminder.dueDate)
             << (reminder.isCompleted ? " completed" : "") << (reminder.hasRecurrenceRules ? " recurring" : "") << " at "
             << text(reminder.location) << " notes " << text(reminder.notes) << " in " << calendar(reminder.calendar);
        if (reminder.alarms) {
            for (auto& each : *reminder.alarms)
                line << " " << alarm(each);
        }
        lines.push_back(line.str());
    }
    return lines;
}

}
