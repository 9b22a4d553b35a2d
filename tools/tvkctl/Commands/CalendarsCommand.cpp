#include "Platform/Calendar/CalendarBackendChoice.hpp"
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
    CalendarsCommand()
        : Command("calendars", "list the calendars and reminder lists, and choose the active ones")
    {
        form(&CalendarsCommand::listOnDisk).flag("json");
        action("list", &CalendarsCommand::list).flag("json");
        action("activate", &CalendarsCommand::activate).positional("ID");
        action("deactivate", &CalendarsCommand::deactivate).positional("ID");
        action("activate-all", &CalendarsCommand::activateAll);
    }

private:
    std::string description() const override
    {
        return "Without an action, lists every calendar and reminder list under the calendar\n"
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

    /// The identifier an action names; an empty one is no identifier.
    static tl::expected<std::string, CommandError> identifierOf(const Invocation& call)
    {
        auto& identifier = call.arguments.positional("ID");
        if (identifier.empty())
            return usageError("the calendar identifier is empty");
        return identifier;
    }

    CommandResult list(const Invocation& call) const
    {
        auto& out = call.out;
        auto& manager = Manager::shared();
        auto calendars = manager.fetchCalendars();
        auto reminderLists = manager.fetchReminderLists();
        if (call.arguments.flag("json")) {
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
            return {};
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
        return {};
    }

    static tl::unexpected<CommandError> storeFailed(const DefaultsError& error)
    {
        return failure("could not store the active calendars: " + error.message);
    }

    static tl::unexpected<CommandError> unknown(const std::string& identifier)
    {
        return failure("no calendar or reminder list has the identifier \"" + identifier + "\" (see `tvkctl calendars list`)");
    }

    CommandResult activateAll(const Invocation& call) const
    {
        if (auto stored = Manager::shared().activateAllCalendars(); !stored)
            return storeFailed(stored.error());
        auto active = UserSettingsStore::shared().activeCalendarIdentifiers();
        call.out << "activated " << active.size() << (active.size() == 1 ? " calendar\n" : " calendars\n");
        return {};
    }

    CommandResult activate(const Invocation& call) const
    {
        auto named = identifierOf(call);
        if (!named)
            return tl::unexpected(named.error());
        const std::string& identifier = *named;
        auto& out = call.out;
        auto& manager = Manager::shared();
        auto calendars = manager.fetchCalendars();
        if (auto calendar = findIdentifier(calendars, identifier); calendar != calendars.end()) {
            if (calendar->active) {
                out << calendar->accountName << " / " << calendar->name << " is already active\n";
                return {};
            }
            ReloadWaiter waiter;
            if (auto stored = manager.activateCalendar(identifier); !stored)
                return storeFailed(stored.error());
            return finish(waiter, calendar->accountName + " / " + calendar->name + " is active", out);
        }
        auto reminderLists = manager.fetchReminderLists();
        auto reminderList = findIdentifier(reminderLists, identifier);
        if (reminderList == reminderLists.end())
            return unknown(identifier);
        if (reminderList->active) {
            out << reminderList->accountName << " / " << reminderList->name << " is already active\n";
            return {};
        }
        return editReminderLists(UserSettingsStore::shared().activateReminderList(identifier),
            reminderList->accountName + " / " + reminderList->name + " is active", out);
    }

    CommandResult deactivate(const Invocation& call) const
    {
        auto named = identifierOf(call);
        if (!named)
            return tl::unexpected(named.error());
        const std::string& identifier = *named;
        auto& out = call.out;
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
                && findIdentifier(reminderLists, identifier) == reminderLists.end())
                return unknown(identifier);
            out << identifier << " is not active\n";
            return {};
        }
        // An identifier whose calendar is gone from disk can still be removed from the settings.
        if (calendarActive) {
            ReloadWaiter waiter;
            if (auto stored = manager.deactivateCalendar(identifier); !stored)
                return storeFailed(stored.error());
            if (!listActive)
                return finish(waiter, identifier + " is no longer active", out);
            if (!waiter.wait())
                return reloadTimedOut();
        }
        return editReminderLists(UserSettingsStore::shared().deactivateReminderList(identifier), identifier + " is no longer active", out);
    }

    // Reminder lists have no activation of their own in the manager: after the setting's edit
    // the lists are reloaded as a calendar change reloads them.
    static CommandResult editReminderLists(const tl::expected<bool, DefaultsError>& stored, const std::string& done, std::ostream& out)
    {
        if (!stored)
            return failure("could not store the active reminder lists: " + stored.error().message);
        ReloadWaiter waiter;
        Manager::shared().reloadEvents(Manager::PostNotification::yes);
        return finish(waiter, done, out);
    }

    static CommandResult finish(ReloadWaiter& waiter, const std::string& done, std::ostream& out)
    {
        if (!waiter.wait())
            return reloadTimedOut();
        out << done << '\n';
        return {};
    }

    static tl::unexpected<CommandError> reloadTimedOut()
    {
        return failure(
            "the change is stored, but the reload did not finish within " + std::to_string(static_cast<int>(reloadTimeout)) + " seconds");
    }

    CommandResult listOnDisk(const Invocation& call) const
    {
        auto& out = call.out;
        auto store = CalendarBackendChoice::makeDefaultStore(ICalendarStore::Monitoring::off);
        std::vector<StoreCalendarPointer> all;
        auto delegated = store->makeStore(store->delegateSources());
        for (CalendarStore* source : { static_cast<CalendarStore*>(store.get()), delegated.get() }) {
            for (auto type : { EntityType::event, EntityType::reminder }) {
                for (auto& calendar : source->calendars(type))
                    all.push_back(calendar);
            }
        }
        if (call.arguments.flag("json")) {
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
            return {};
        }
        if (all.empty()) {
            out << "no calendars found\n";
            return {};
        }
        for (auto& calendar : all) {
            out << calendar->calendarIdentifier << "  " << backendName(calendar->backend)
                << (calendar->backend == CalendarBackend::eds ? "   " : "  ")
                << (calendar->entityType == EntityType::event ? "events   " : "reminders") << "  " << calendar->color.hexString() << "  "
                << calendar->source.title << " / " << calendar->title;
            if (calendar->source.isDelegate)
                out << "  (delegated)";
            if (calendar->type == CalendarType::birthday)
                out << "  (birthdays)";
            if (calendar->isSubscribedHolidayCalendar)
                out << "  (holidays)";
            out << '\n';
        }
        return {};
    }
};

}

TVK_REGISTER_COMMAND(CalendarsCommand)

}
