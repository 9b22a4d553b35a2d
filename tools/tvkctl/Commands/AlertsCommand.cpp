#include "Platform/CommandLine/Command.hpp"
#include "Platform/Desktop/Application.hpp"
#include "TVKCore/Alerts/DesktopAlerts.hpp"
#include "TVKCore/Alerts/SessionBusAlerts.hpp"
#include "TVKCore/Schedule/CalendarEventManager.hpp"
#include "TVKCore/Settings/UserSettingsStore.hpp"
#include "TVKLocalization/L10n.hpp"
#include "TVKUtils/DateFormatter.hpp"
#include "tools/tvkctl/ManagerReload.hpp"

#include <algorithm>
#include <ostream>

namespace tvk::tvkctl {

using namespace tvk::cli;

namespace {

// The alerts start once the main loop runs.
class Follow final : public ApplicationDelegate {
public:
    explicit Follow(CalendarEventManager& manager)
        : m_alerts(manager)
    {
    }

    bool canShow() const { return m_alerts.canShow(); }

    void applicationDidFinishLaunching(const Notification&) override { m_alerts.start(CalendarEventManager::PostNotification::yes); }

private:
    SessionBusAlerts m_alerts;
};

class AlertsCommand final : public Command {
public:
    AlertsCommand()
        : Command("alerts", "the alert schedule, or show the alerts as desktop notifications")
    {
        readsTheClock();
        form(&AlertsCommand::run).flag("follow");
    }

private:
    std::string description() const override
    {
        return "Prints the alerts of one reload by time, and whether they would show as desktop\n"
               "notifications now.\n"
               "\n"
               "With --follow it keeps running and shows each alert at its time as a desktop\n"
               "notification, with the title, the time and the calendar, and the buttons Join\n"
               "(for a meeting with a video-call link), Snooze 5 minutes and Snooze until start;\n"
               "a snooze alerts again at its time. It shows nothing while the main application\n"
               "runs (it alerts itself) or while the setting desktopNotificationAlerts is off\n"
               "(`tvkctl settings set desktopNotificationAlerts false`), and no alert twice. An\n"
               "alert missed by less than five minutes (the machine slept) is shown late; an\n"
               "older one is dropped. It ends on SIGTERM or SIGINT.\n";
    }

    CommandResult run(const Invocation& call) const
    {
        bool follows = call.arguments.flag("follow");
        auto& manager = follows ? CalendarEventManager::shared() : managerReadingOnce();
        if (follows) {
            Follow follow(manager);
            if (!follow.canShow())
                return failure("no session bus to show desktop notifications on (is DBUS_SESSION_BUS_ADDRESS set?)");
            Application::shared().run(follow);
            return {};
        }
        if (auto reloaded = reloadAndWait(manager); !reloaded)
            return reloaded;
        auto schedule = manager.invocations();
        auto snoozes = manager.snoozedInvocations();
        schedule.insert(schedule.end(), snoozes.begin(), snoozes.end());
        std::stable_sort(schedule.begin(), schedule.end(), [](auto& a, auto& b) { return a.date < b.date; });
        if (schedule.empty())
            call.out << "no alerts ahead\n";
        for (auto& invocation : schedule) {
            call.out << DateFormatter::timeAndDateFormatter().string(invocation.date) << "  "
                     << invocation.event.title.value_or(L10n::General::untitled()) << (invocation.isSnooze ? " (snooze)" : "") << '\n';
        }
        if (!UserSettingsStore::shared().desktopNotificationAlerts())
            call.out << "\nDesktop notifications are off (desktopNotificationAlerts).\n";
        else if (DesktopAlerts::mainApplicationRunsOnTheSessionBus())
            call.out << "\nThe main application runs and shows these alerts itself.\n";
        return {};
    }
};

}

TVK_REGISTER_COMMAND(AlertsCommand)

}
