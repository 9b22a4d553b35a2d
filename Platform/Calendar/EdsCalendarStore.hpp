#pragma once

#include "Platform/Calendar/CalendarStore.hpp"
#include "Platform/Calendar/ICalendarStore.hpp"

#include <memory>
#include <string>

namespace tvk {

namespace eds {
class Bridge;
}

/// The user's calendars and task lists as Evolution Data Server (EDS) keeps them: what GNOME
/// Calendar, the shell's clock menu and Evolution show, filled by GNOME Online Accounts
/// (Google, Microsoft 365, Nextcloud, CalDAV) or kept on this computer.
///
/// - Every enabled EDS calendar is an event calendar and every enabled task list a reminder
///   list; its identifier is its EDS source UID ("#tasks" appended for the task list of a
///   source that is a calendar too), its title and colour come from the source.
/// - Its `StoreSource` is the account (the collection source) it belongs to, or else the group
///   of its backend ("On This Computer", "On The Web", ...). The account's owner addresses, by
///   which attendees are recognised as the user, are the account's identity, the addresses of
///   its mail identities and the e-mail address of its CalDAV calendars; a group's are every
///   mail identity's addresses (as Evolution takes any of them as the user) and its CalDAV
///   calendars' addresses.
/// - Items are read through the EDS client, all of a calendar at once when a query first needs
///   it, and read by `ICalendarParser` and `CalendarItemIndex`: recurrence, overrides, time
///   zones, attendees, alarms and travel time come out as they do from the same iCalendar data
///   in files.
/// - With monitoring, a client view watches each calendar that was read and the registry
///   watches the sources; a burst of changes posts `changedNotification` once, and the changed
///   calendars are read again at the next query. Without monitoring, each calendar is read
///   once, until `refreshSourcesIfNecessary`.
/// - Access is granted when the source registry answers; a store without a bridge (EDS chosen
///   but not reachable) lists nothing and reports access as denied.
class EdsCalendarStore final : public CalendarStore {
public:
    using Monitoring = ICalendarStore::Monitoring;

    /// A store over the bridge's registry; `unavailableReason` says why there is no bridge.
    EdsCalendarStore(std::shared_ptr<eds::Bridge> bridge, Monitoring monitoring, std::string unavailableReason = {});
    ~EdsCalendarStore() override;

    AuthorizationStatus authorizationStatus(EntityType) const override;
    void requestFullAccess(EntityType, AccessCompletion completion) override;
    StoreCalendarPointer calendar(const std::string& calendarIdentifier) const override;
    std::vector<StoreCalendarPointer> calendars(EntityType) const override;
    std::optional<StoreEvent> event(const std::string& eventIdentifier) const override;
    std::optional<CalendarItem> calendarItem(const std::string& calendarItemIdentifier) const override;
    std::vector<StoreEvent> events(const EventPredicate&) const override;
    void fetchReminders(const ReminderPredicate&, RemindersCompletion completion) override;
    void refreshSourcesIfNecessary() override;
    /// EDS has no delegated accounts: always empty.
    std::vector<StoreSource> delegateSources() const override;
    std::unique_ptr<CalendarStore> makeStore(const std::vector<StoreSource>& sources) const override;

    /// How many times a calendar's items were read from EDS since the store was made, for tests
    /// and diagnostics.
    size_t loadCount() const;

    struct State;

private:
    explicit EdsCalendarStore(std::shared_ptr<State> state);
    std::shared_ptr<State> m_state;
};

}
