#pragma once

#include "Platform/Defaults/UserDefaults.hpp"
#include "TVKCore/Settings/Reminder.hpp"

#include <optional>
#include <string>
#include <string_view>
#include <tl/expected.hpp>
#include <vector>

namespace tvk {

namespace NotificationName {
/// Posted on the default centre, without object or user info, after each add, update or
/// removal of an own reminder, on the thread that made it.
inline constexpr std::string_view remindersChanged = "RemindersChanged";
}

/// The application's own reminders as the calendar event manager uses them. Lists keep the
/// stored order. Writes report whether the change was stored.
class CustomRemindersStoring {
public:
    virtual ~CustomRemindersStoring() = default;

    /// All reminders.
    virtual std::vector<Reminder> reminders() const = 0;
    /// Those due strictly after now.
    virtual std::vector<Reminder> futureReminders() const = 0;
    /// Appends the reminder.
    virtual tl::expected<void, DefaultsError> addReminder(const Reminder& reminder) = 0;
    /// Removes every reminder with its id and appends it: an updated reminder moves to the end.
    virtual tl::expected<void, DefaultsError> updateReminder(const Reminder& reminder) = 0;
    /// Removes every reminder with that id.
    virtual tl::expected<void, DefaultsError> removeReminder(const std::string& id) = 0;
    /// Drops the reminders due more than 30 calendar days before now.
    virtual tl::expected<void, DefaultsError> purgePastReminders() = 0;
    /// The first reminder with that id.
    virtual std::optional<Reminder> reminder(const std::string& forID) const = 0;
    /// Those due from `from` to `to`, both included.
    virtual std::vector<Reminder> reminders(Date from, Date to) const = 0;
};

}
