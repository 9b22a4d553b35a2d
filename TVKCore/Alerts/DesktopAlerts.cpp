#include "TVKCore/Alerts/DesktopAlerts.hpp"

#include "Platform/Desktop/RunningApplications.hpp"
#include "Platform/Runtime/DispatchQueue.hpp"
#include "QMLogger/QMLogger.hpp"
#include "TVKCore/Events/EventPrinting.hpp"
#include "TVKCore/Join/JoinTarget.hpp"
#include "TVKCore/Settings/UserSettingsStore.hpp"
#include "TVKLocalization/L10n.hpp"

#include <algorithm>

namespace tvk {

namespace {

// The timer serves one wake-up and is replaced by the next; its interval never comes round.
constexpr TimeInterval oneShotInterval = 366 * 86400;
// Handled alerts are remembered this long after their time: a reload cannot bring back one
// older than the lateness allowed, so a day is ample.
constexpr TimeInterval handledMemory = 86400;
// Notifications whose buttons can still be answered; a server that never closes them must not
// make the map grow for days.
constexpr size_t mostAnswerableNotifications = 64;

DesktopNotifications::Content contentOf(const Event& event, Date now)
{
    DesktopNotifications::Content content;
    content.summary = event.title.value_or(L10n::General::untitled());
    content.body = eventTimeText(event);
    if (event.calendarName && !event.calendarName->empty())
        content.body += " · " + *event.calendarName;
    if (joinLink(event))
        content.actions.push_back({ "join", L10n::Alert::join() });
    content.actions.push_back({ "snooze5", L10n::Alert::snooze5Minutes() });
    if (now < event.startDate)
        content.actions.push_back({ "snoozeUntilStart", L10n::Alert::snoozeUntilStart() });
    return content;
}

}

DesktopAlerts::DesktopAlerts(CalendarEventManager& manager, Show show, MainApplicationRuns mainApplicationRuns)
    : m_manager(manager)
    , m_show(std::move(show))
    , m_mainApplicationRuns(std::move(mainApplicationRuns))
{
}

DesktopAlerts::~DesktopAlerts() = default;

bool DesktopAlerts::mainApplicationRunsOnTheSessionBus()
{
    return !RunningApplications::withBundleIdentifier(mainApplicationBundleIdentifier).empty();
}

DesktopAlerts::Key DesktopAlerts::keyOf(const AlertInvocation& invocation)
{
    return { invocation.event.id, invocation.event.startDate, invocation.date, invocation.isSnooze };
}

void DesktopAlerts::didUpdateInvocations(const std::vector<AlertInvocation>& invocations)
{
    // A reload at an alert's own minute lists it again after it was shown: it stays handled.
    // One that a reload leaves out because its time has just passed, while it was not handled
    // yet (the reload ran between its time and the wake-up), stays due.
    Date now = Date::now();
    std::vector<AlertInvocation> schedule;
    for (auto& invocation : invocations) {
        if (!m_handled.contains(keyOf(invocation)))
            schedule.push_back(invocation);
    }
    for (auto& kept : m_schedule) {
        bool listed = std::any_of(schedule.begin(), schedule.end(), [&](auto& invocation) { return keyOf(invocation) == keyOf(kept); });
        if (!listed && !(now < kept.date))
            schedule.push_back(kept);
    }
    m_schedule = std::move(schedule);
    alertDue();
}

void DesktopAlerts::didRemoveSnooze(const AlertInvocation& invocation)
{
    DispatchQueue::main().async([this, alive = std::weak_ptr(m_alive), key = keyOf(invocation)] {
        if (alive.expired())
            return;
        std::erase_if(m_schedule, [&](auto& scheduled) { return keyOf(scheduled) == key; });
        arm();
    });
}

void DesktopAlerts::alertDue()
{
    Date now = Date::now();
    std::erase_if(m_handled, [&](auto& entry) { return entry.second < now - handledMemory; });
    std::vector<AlertInvocation> due;
    for (auto& invocation : m_schedule) {
        if (!(now < invocation.date))
            due.push_back(invocation);
    }
    std::erase_if(m_schedule, [&](auto& invocation) { return !(now < invocation.date); });
    if (!due.empty()) {
        bool silenced = !UserSettingsStore::shared().desktopNotificationAlerts() || m_mainApplicationRuns();
        for (auto& invocation : due) {
            if (!m_handled.emplace(keyOf(invocation), invocation.date).second)
                continue;
            // Handled here, shown or not: the manager forgets it, so a snooze passed over does
            // not come back with each reload.
            m_manager.didHandleAlertInvocation(invocation);
            if (silenced)
                continue;
            if (now - invocation.date > latestLateness) {
                QMLogger::info("dropping the alert of " + invocation.event.id + ": its time passed while nothing ran");
                continue;
            }
            show(invocation, now);
        }
    }
    arm();
}

void DesktopAlerts::show(const AlertInvocation& invocation, Date now)
{
    auto id = m_show(contentOf(invocation.event, now));
    if (!id)
        return;
    if (m_shownEvents.size() >= mostAnswerableNotifications)
        m_shownEvents.erase(m_shownEvents.begin());
    m_shownEvents.insert_or_assign(*id, invocation.event);
}

void DesktopAlerts::arm()
{
    std::optional<Date> next;
    for (auto& invocation : m_schedule) {
        if (!next || invocation.date < *next)
            next = invocation.date;
    }
    if (!next) {
        m_timer.reset();
        return;
    }
    // The timer's action must not destroy the timer that runs it: the next step runs after it.
    m_timer = std::make_unique<RepeatingTimer>(*next, oneShotInterval, [this, alive = std::weak_ptr(m_alive)] {
        DispatchQueue::main().async([this, alive] {
            if (!alive.expired())
                alertDue();
        });
    });
}

void DesktopAlerts::handleAction(std::uint32_t notificationId, const std::string& actionKey)
{
    auto found = m_shownEvents.find(notificationId);
    if (found == m_shownEvents.end())
        return;
    Event event = found->second;
    if (actionKey == "join") {
        auto result = joinCall(event, m_manager.accountEmailForEvent(event.id));
        if (result.error)
            QMLogger::warning("could not join the call of " + event.id);
    } else if (actionKey == "snooze5") {
        m_manager.snooze(event, 5);
    } else if (actionKey == "snoozeUntilStart") {
        m_manager.snoozeUntilTimeOfEvent(event);
    } else {
        return;
    }
    m_shownEvents.erase(notificationId);
}

std::optional<Date> DesktopAlerts::nextWakeUp() const
{
    if (!m_timer)
        return std::nullopt;
    return m_timer->fireDate();
}

}
