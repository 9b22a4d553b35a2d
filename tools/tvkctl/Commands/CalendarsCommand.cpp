#include "Platform/Calendar/CalendarBackendChoice.hpp"
#include "Platform/CommandLine/ArgumentParser.hpp"
#include "Platform/CommandLine/Command.hpp"
#include "Platform/CommandLine/JsonPrinting.hpp"
#include "Platform/Runtime/DispatchQueue.hpp"
#include "Platform/Runtime/NotificationCenter.hpp"
#include "TVKCore/Schedule/CalendarEventManager.hpp"
#include "TVKCore/Settings/UserSettingsStore.hpp"

#include <algorithm>
#include <atomic>
#include <nlohmann/json.hpp>
#include <ostream>

namespace tvk::tvkctl {

using namespace tvk::cli;

namespace {

const char* typeName(CalendarType type)
{
    switch (type) {
    case CalendarType::local: return "local";
    case CalendarType::calDAV: return "calDAV";
    case CalendarType::exchange: return "exchange";
    case CalendarType::subscription: return "subscription";
    case CalendarType::birthday: return "birthday";
    }
    return "local";
}

const char* backendName(CalendarBackend backend)
{
    return backend == CalendarBackend::eds ? "eds" : "vdir";
}

// The reload an activation starts reads every active calendar; on a cold cache over a large
// calendar set that takes seconds.
constexpr TimeInterval reloadTimeout = 120;

using Manager = CalendarEventManager;

// Runs the main queue until the manager has posted "DidReloadEvents" once: the reload an
// activation started is then complete, and the process can end without cutting it short.
class ReloadWaiter {
public:
    ReloadWaiter()
    {
        m_token = NotificationCenter::defaultCenter().addObserver(
            std::string(NotificationName::didReloadEvents), nullptr, [this](const Notification&) { m_reloaded = true; });
    }
    ~ReloadWaiter() { NotificationCenter::defaultCenter().removeObserver(m_token); }
    ReloadWaiter(const ReloadWaiter&) = delete;
    ReloadWaiter& operator=(const ReloadWaiter&) = delete;

    bool wait()
    {
        return DispatchQueue::main().runUntil([this] { return m_reloaded.load(); }, reloadTimeout);
    }

private:
    ObserverToken m_token;
    std::atomic<bool> m_reloaded = false;
};

template <typename List> auto findIdentifier(const List& list, const std::string& identifier)
{
    return std::find_if(list.begin(), list.end(), [&](auto& item) { return item.identifier == identifier; });
}

class CalendarsCommand final : public Command {
public:
    std::string_view name() const override { return "calendars"; }
    std::string_view summary() const override { return "list the calendars and reminder lists, and choose the active ones"; }
    std::string help() const override
    {
        return "usage: tvkctl calendars [--json]\n"
               "       tvkctl calendars list [--json]\n"
               "       tvkctl calendars activate ID\n"
               "       tvkctl calendars deactivate ID\n"
               "       tvkctl calendars activate-all\n"
               "\n"
               "Without an action, lists every calendar and reminder list under the calendar\n"
               "roots ($TARVIK_CALENDARS, else $XDG_DATA_HOME/tarvik/calendars), the delegated\n"
               "accounts' included, and those of Evolution Data Server (the desktop's calendars,\n"
               "as $TARVIK_CALENDAR_BACKEND chooses: vdir, eds, or auto, the default), with\n"
               "identifier, backend, title, colour, entity type, source, delegate flag and type.\n"
               "\n"
               "The widgets load only the calendars and reminder lists the user activated:\n"
               "  list          the calendars and reminder lists a settings screen offers\n"
               "                (no birthday or holiday calendars), each with whether it is\n"
               "                active, its account, colour and, for calendars, whether the\n"
               "                account is delegated to the user\n"
               "  activate      adds the calendar or reminder list ID to the active ones\n"
               "  deactivate    removes it\n"
               "  activate-all  makes every listed calendar (not reminder list) active, in the\n"
               "                listed order\n"
               "A change is stored in the shared settings, and the event lists are reloaded\n"
               "before the command returns.\n";
    }

    int run(std::span<const std::string> arguments, std::ostream& out, std::ostream& err) override
    {
        auto parsed = ArgumentParser().flag("json").positionals(0, 2).parse(arguments);
        if (!parsed)
            return usage(err, parsed.error());
        if (parsed->helpRequested) {
            out << help();
            return success;
        }
        if (!parsed->positionals.empty())
            return runAction(*parsed, out, err);
        return listOnDisk(*parsed, out);
    }

private:
    int usage(std::ostream& err, const std::string& message) const
    {
        err << "tvkctl calendars: " << message << "\n\n" << help();
        return usageError;
    }

    int runAction(const ParsedArguments& parsed, std::ostream& out, std::ostream& err) const
    {
        const std::string& action = parsed.positionals[0];
        bool takesIdentifier = action == "activate" || action == "deactivate";
        if (action != "list" && action != "activate-all" && !takesIdentifier)
            return usage(err, "unknown action \"" + action + "\"");
        if (takesIdentifier != (parsed.positionals.size() == 2))
            return usage(err, takesIdentifier ? action + " needs a calendar identifier" : action + " takes no identifier");
        if (parsed.flag("json") && action != "list")
            return usage(err, "--json applies to list only");
        if (action == "list")
            return list(parsed.flag("json"), out);
        if (action == "activate-all")
            return activateAll(out, err);
        const std::string& identifier = parsed.positionals[1];
        if (identifier.empty())
            return usage(err, "the calendar identifier is empty");
        return action == "activate" ? activate(identifier, out, err) : deactivate(identifier, out, err);
    }

    int list(bool json, std::ostream& out) const
    {
        auto& manager = Manager::shared();
        auto calendars = manager.fetchCalendars();
        auto reminderLists = manager.fetchReminderLists();
        if (json) {
            auto calendarList = nlohmann::json::array();
            for (auto& calendar : calendars) {
                calendarList.push_back({
                    { "identifier", calendar.identifier },
                    { "name", calendar.name },
                    { "color", calendar.color.hexString() },
                    { "active", calendar.active },
                    { "accountName", calendar.accountName },
                    { "isDelegate", calendar.isDelegate },
                });
            }
            auto reminderListList = nlohmann::json::array();
            for (auto& reminderList : reminderLists) {
                reminderListList.push_back({
                    { "identifier", reminderList.identifier },
                    { "name", reminderList.name },
                    { "color", reminderList.color.hexString() },
                    { "active", reminderList.active },
                    { "accountName", reminderList.accountName },
                });
            }
            out << printJson({ { "calendars", calendarList }, { "reminderLists", reminderListList } }) << '\n';
            return success;
        }
        out << "Calendars\n";
        if (calendars.empty())
            out << "  none found\n";
        for (auto& calendar : calendars) {
            out << "  " << (calendar.active ? "[x] " : "[ ] ") << calendar.identifier << "  " << calendar.color.hexString() << "  "
                << calendar.accountName << " / " << calendar.name << (calendar.isDelegate ? "  (delegated)" : "") << '\n';
        }
        out << "Reminder lists\n";
        if (reminderLists.empty())
            out << "  none found\n";
        for (auto& reminderList : reminderLists) {
            out << "  " << (reminderList.active ? "[x] " : "[ ] ") << reminderList.identifier << "  " << reminderList.color.hexString()
                << "  " << reminderList.accountName << " / " << reminderList.name << '\n';
        }
        return success;
    }

    static int storeFailed(std::ostream& err, const DefaultsError& error)
    {
        err << "tvkctl calendars: could not store the active calendars: " << error.message << '\n';
        return failure;
    }

    int activateAll(std::ostream& out, std::ostream& err) const
    {
        auto& manager = Manager::shared();
        if (auto stored = manager.activateAllCalendars(); !stored)
            return storeFailed(err, stored.error());
        auto active = UserSettingsStore::shared().activeCalendarIdentifiers();
        out << "activated " << active.size() << (active.size() == 1 ? " calendar\n" : " calendars\n");
        return success;
    }

    int activate(const std::string& identifier, std::ostream& out, std::ostream& err) const
    {
        auto& manager = Manager::shared();
        auto calendars = manager.fetchCalendars();
        if (auto calendar = findIdentifier(calendars, identifier); calendar != calendars.end()) {
            if (calendar->active) {
                out << calendar->accountName << " / " << calendar->name << " is already active\n";
                return success;
            }
            ReloadWaiter waiter;
            if (auto stored = manager.activateCalendar(identifier); !stored)
                return storeFailed(err, stored.error());
            return finish(waiter, calendar->accountName + " / " + calendar->name + " is active", out, err);
        }
        auto reminderLists = manager.fetchReminderLists();
        auto reminderList = findIdentifier(reminderLists, identifier);
        if (reminderList == reminderLists.end()) {
            err << "tvkctl calendars: no calendar or reminder list has the identifier \"" << identifier
                << "\" (see `tvkctl calendars list`)\n";
            return failure;
        }
        if (reminderList->active) {
            out << reminderList->accountName << " / " << reminderList->name << " is already active\n";
            return success;
        }
        return editReminderLists(UserSettingsStore::shared().activateReminderList(identifier),
            reminderList->accountName + " / " + reminderList->name + " is active", out, err);
    }

    int deactivate(const std::string& identifier, std::ostream& out, std::ostream& err) const
    {
        auto& manager = Manager::shared();
        auto& settings = UserSettingsStore::shared();
        auto activeCalendars = settings.activeCalendarIdentifiers();
        auto activeLists = settings.activeReminderListIdentifiers();
        bool calendarActive = std::find(activeCalendars.begin(), activeCalendars.end(), identifier) != activeCalendars.end();
        bool listActive = std::find(activeLists.begin(), activeLists.end(), identifier) != activeLists.end();
        if (!calendarActive && !listActive) {
            auto calendars = manager.fetchCalendars();
            auto reminderLists = manager.fetchReminderLists();
            if (findIdentifier(calendars, identifier) == calendars.end()
                && findIdentifier(reminderLists, identifier) == reminderLists.end()) {
                err << "tvkctl calendars: no calendar or reminder list has the identifier \"" << identifier
                    << "\" (see `tvkctl calendars list`)\n";
                return failure;
            }
            out << identifier << " is not active\n";
            return success;
        }
        // An identifier whose calendar is gone from disk can still be removed from the settings.
        if (calendarActive) {
            ReloadWaiter waiter;
            if (auto stored = manager.deactivateCalendar(identifier); !stored)
                return storeFailed(err, stored.error());
            if (!listActive)
                return finish(waiter, identifier + " is no longer active", out, err);
            if (!waiter.wait())
                return reloadTimedOut(err);
        }
        return editReminderLists(
            UserSettingsStore::shared().deactivateReminderList(identifier), identifier + " is no longer active", out, err);
    }

    // Reminder lists have no activation of their own in the manager: after the setting's edit
    // the lists are reloaded as a calendar change reloads them.
    int editReminderLists(
        const tl::expected<bool, DefaultsError>& stored, const std::string& done, std::ostream& out, std::ostream& err) const
    {
        if (!stored) {
            err << "tvkctl calendars: could not store the active reminder lists: " << stored.error().message << '\n';
            return failure;
        }
        ReloadWaiter waiter;
        Manager::shared().reloadEvents(Manager::PostNotification::yes);
        return finish(waiter, done, out, err);
    }

    static int finish(ReloadWaiter& waiter, const std::string& done, std::ostream& out, std::ostream& err)
    {
        if (!waiter.wait())
            return reloadTimedOut(err);
        out << done << '\n';
        return success;
    }

    static int reloadTimedOut(std::ostream& err)
    {
        err << "tvkctl calendars: the change is stored, but the reload did not finish within " << static_cast<int>(reloadTimeout)
            << " seconds\n";
        return failure;
    }

    int listOnDisk(const ParsedArguments& parsed, std::ostream& out) const
    {
        auto store = CalendarBackendChoice::makeDefaultStore(ICalendarStore::Monitoring::off);
        std::vector<StoreCalendarPointer> all;
        auto delegated = store->makeStore(store->delegateSources());
        for (CalendarStore* source : { static_cast<CalendarStore*>(store.get()), delegated.get() }) {
            for (auto type : { EntityType::event, EntityType::reminder }) {
                for (auto& calendar : source->calendars(type))
                    all.push_back(calendar);
            }
        }
        if (parsed.flag("json")) {
            auto list = nlohmann::json::array();
            for (auto& calendar : all) {
                list.push_back({
                    { "identifier", calendar->calendarIdentifier },
                    { "title", calendar->title },
                    { "color", calendar->color.hexString() },
                    { "entityType", calendar->entityType == EntityType::event ? "event" : "reminder" },
                    { "source", calendar->source.title },
                    { "isDelegate", calendar->source.isDelegate },
                    { "type", typeName(calendar->type) },
                    { "isSubscribedHolidayCalendar", calendar->isSubscribedHolidayCalendar },
                    { "backend", backendName(calendar->backend) },
                });
            }
            out << printJson(list) << '\n';
            return success;
        }
        if (all.empty()) {
            out << "no calendars found\n";
            return success;
        }
        for (auto& calendar : all) {
            out << calendar->calendarIdentifier << "  " << backendName(calendar->backend) << (calendar->backend == CalendarBackend::eds ? "   " : "  ")
                << (calendar->entityType == EntityType::event ? "events   " : "reminders") << "  "
                << calendar->color.hexString() << "  " << calendar->source.title << " / " << calendar->title;
            if (calendar->source.isDelegate)
                out << "  (delegated)";
            if (calendar->type == CalendarType::birthday)
                out << "  (birthdays)";
            if (calendar->isSubscribedHolidayCalendar)
                out << "  (holidays)";
            out << '\n';
        }
        return success;
    }
};

}

TVK_REGISTER_COMMAND(CalendarsCommand)

}
