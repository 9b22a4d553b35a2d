#include "Platform/CommandLine/Command.hpp"
#include "Platform/Runtime/Date.hpp"
#include "TVKCore/Join/JoinTarget.hpp"
#include "TVKCore/Schedule/CalendarEventManager.hpp"
#include "TVKCore/Settings/CustomRemindersStore.hpp"
#include "TVKCore/VideoConference/OpenableLinks.hpp"
#include "tools/tvkctl/ManagerReload.hpp"

#include <ostream>

namespace tvk::tvkctl {

using namespace tvk::cli;

namespace {

std::string quotedTitle(const Event& event)
{
    return "\"" + event.title.value_or("(untitled)") + "\"";
}

std::string openableSchemesText()
{
    std::string text;
    for (size_t index = 0; index < openableLinkSchemes.size(); ++index) {
        if (index > 0)
            text += index + 1 == openableLinkSchemes.size() ? " or " : ", ";
        text += openableLinkSchemes[index];
    }
    return text;
}

// An identifier names a series; of its occurrences, the one a person means is the one they can
// join now, else the one going on or the next. An event the lists leave out (its calendar is
// not active, a rule hides it) is still the user's explicit choice: its first occurrence.
std::optional<Event> eventWithIdentifier(const CalendarEventManager& manager, const std::string& identifier, Date now)
{
    std::vector<Event> current, upcoming;
    for (auto& event : manager.allCachedCurrentEvents()) {
        if (event.id == identifier)
            current.push_back(event);
    }
    for (auto& event : manager.allCachedUpcomingEvents()) {
        if (event.id == identifier)
            upcoming.push_back(event);
    }
    if (auto joinable = eventToJoin(current, upcoming, now))
        return joinable;
    if (!current.empty())
        return current.front();
    if (!upcoming.empty())
        return upcoming.front();
    if (auto stored = manager.aggregatedEventStore().event(identifier))
        return Event::fromCalendarEvent(*stored);
    if (auto reminder = CustomRemindersStore::shared().reminder(identifier))
        return Event::fromReminder(*reminder);
    return std::nullopt;
}

class JoinCommand final : public Command {
public:
    JoinCommand()
        : Command("join", "open the video call of the meeting to join now, or of a given event")
    {
        readsTheClock();
        form(&JoinCommand::run).positional("EVENT-ID", Requirement::optional).flag("upcoming").flag("dry-run");
    }

private:
    std::string description() const override
    {
        return "Opens a meeting's video call in the browser or the service's application, for a\n"
               "keyboard shortcut. Without EVENT-ID (or with \"next\"): the call that can be\n"
               "joined now, as the widgets' join button decides (the meeting is going on, or\n"
               "its alert is due); of several, the next to start, else the one that started\n"
               "last. With --upcoming: the next meeting with a video-call link, however far\n"
               "ahead. With EVENT-ID (as `tvkctl events` prints it): that event's call.\n"
               "\n"
               "The link is the event's one-click link, else its first. Zoom and Microsoft\n"
               "Teams links open in their desktop applications when one is installed for their\n"
               "own URLs; Google Meet links open through Google's account chooser with the\n"
               "calendar's account. Links are opened only with the schemes " + openableSchemesText() + ",\n"
               "never through a shell. Prints the title and the URL; --dry-run prints them\n"
               "without opening anything. Exits 1 when there is no such call.\n";
    }

    CommandResult run(const Invocation& call) const
    {
        auto identifier = call.arguments.optionalPositional("EVENT-ID");
        bool upcoming = call.arguments.flag("upcoming");
        if (identifier == "next")
            identifier.reset();
        if (identifier && upcoming)
            return usageError("--upcoming chooses the event itself: give it no EVENT-ID");

        auto& manager = managerReadingOnce();
        if (auto reloaded = reloadAndWait(manager); !reloaded)
            return reloaded;
        Date now = Date::now();

        std::optional<Event> event;
        if (identifier) {
            event = eventWithIdentifier(manager, *identifier, now);
            if (!event)
                return failure("no event has the identifier \"" + *identifier + "\"");
        } else if (upcoming) {
            event = nextEventWithLink(manager.allCachedUpcomingEvents(), now);
            if (!event)
                return failure("no upcoming meeting has a video-call link");
        } else {
            event = eventToJoin(manager.allCachedCurrentEvents(), manager.allCachedUpcomingEvents(), now);
            if (!event)
                return failure("no call to join now: no meeting with a video-call link is going on or due (--upcoming joins the next)");
        }

        auto accountEmail = manager.accountEmailForEvent(event->id);
        auto result = call.arguments.flag("dry-run") ? planJoinCall(*event, accountEmail) : joinCall(*event, accountEmail);
        if (result.error == JoinError::noLink)
            return failure(quotedTitle(*event) + " has no video-call link");
        auto url = result.target->url.absoluteString();
        if (result.error == JoinError::unsafeLink)
            return failure("not opening " + url + ": a link from a calendar opens only with " + openableSchemesText());
        if (result.error == JoinError::notOpened)
            return failure("no application opened " + url);
        call.out << quotedTitle(*event) << " (" << result.target->link.service.name
                 << (result.target->opensNativeApplication ? ", in its application" : "") << "): " << url << '\n';
        return {};
    }
};

}

TVK_REGISTER_COMMAND(JoinCommand)

}
