#pragma once

#include "Platform/Desktop/DesktopNotifications.hpp"
#include "Platform/Runtime/RepeatingTimer.hpp"
#include "TVKCore/Schedule/CalendarEventManager.hpp"
#include "TVKCore/Schedule/CalendarEventManagerDelegate.hpp"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace tvk {

/// The alerts of the manager's schedule as desktop notifications, for the people who do not
/// run the main application: set it as the manager's delegate, and it shows each alert at its
/// time with the title, the time and the calendar, and the actions "Join" (when the event has
/// a video-call link), "Snooze 5 minutes" and "Snooze until start" (while the start is ahead),
/// which go through the manager's snooze operations; a snooze alerts again at its time.
///
/// Nothing is shown while the main application runs (it alerts itself) or while the user
/// turned these alerts off (`UserSettingsStore::desktopNotificationAlerts`); an alert that
/// falls in such a time is passed over, not shown later. No alert is shown twice. An alert
/// missed by less than `latestLateness` (the machine slept through it) is shown late; an
/// older one is dropped.
///
/// Create it, and hand it the schedule, on the main thread: it wakes on the main queue at
/// the next alert's time and at no other.
class DesktopAlerts final : public CalendarEventManagerDelegate {
public:
    static constexpr TimeInterval latestLateness = 5 * 60;
    /// The main application's bundle identifier, the session-bus name it owns while it runs.
    static constexpr const char* mainApplicationBundleIdentifier = "com.quillmoor.tarvik";
    /// Whether the main application owns its name on the session bus now (a round trip to the
    /// bus daemon).
    static bool mainApplicationRunsOnTheSessionBus();
    /// Shows one notification; the server's id, or none when it could not.
    using Show = std::function<std::optional<std::uint32_t>(const DesktopNotifications::Content&)>;
    /// Whether the main application runs now.
    using MainApplicationRuns = std::function<bool()>;

    DesktopAlerts(CalendarEventManager& manager, Show show, MainApplicationRuns mainApplicationRuns);
    ~DesktopAlerts() override;
    DesktopAlerts(const DesktopAlerts&) = delete;
    DesktopAlerts& operator=(const DesktopAlerts&) = delete;

    void didUpdateInvocations(const std::vector<AlertInvocation>& invocations) override;
    void didRemoveSnooze(const AlertInvocation& invocation) override;

    /// A button of a notification this object showed was pressed: "join", "snooze5" or
    /// "snoozeUntilStart". Other ids and keys are ignored.
    void handleAction(std::uint32_t notificationId, const std::string& actionKey);

    /// When it wakes next to alert; none without an alert ahead.
    std::optional<Date> nextWakeUp() const;

private:
    /// What tells two alerts apart across reloads: the event (one occurrence), the time and
    /// whether it is a snooze.
    using Key = std::tuple<std::string, Date, Date, bool>;
    static Key keyOf(const AlertInvocation& invocation);

    void alertDue();
    void arm();
    void show(const AlertInvocation& invocation, Date now);

    CalendarEventManager& m_manager;
    Show m_show;
    MainApplicationRuns m_mainApplicationRuns;
    std::vector<AlertInvocation> m_schedule;
    /// The alerts passed, shown or not, kept for a day after their time.
    std::map<Key, Date> m_handled;
    /// The event of each notification still to answer, by the server's id; the oldest go first.
    std::map<std::uint32_t, Event> m_shownEvents;
    std::unique_ptr<RepeatingTimer> m_timer;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

}
