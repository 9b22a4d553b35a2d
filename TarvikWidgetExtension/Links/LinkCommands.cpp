#include "TarvikWidgetExtension/Links/LinkCommands.hpp"

#include "Platform/CommandLine/Command.hpp"
#include "Platform/CommandLine/JsonPrinting.hpp"
#include "Platform/Defaults/UserDefaults.hpp"
#include "Platform/Desktop/UrlSchemeHandler.hpp"
#include "Platform/Desktop/Workspace.hpp"
#include "Platform/Runtime/DispatchQueue.hpp"
#include "Platform/Runtime/StandardPaths.hpp"
#include "Platform/Widgets/EventPreviewWindow.hpp"
#include "TVKCore/DeepLinks/DeepLinkDestination.hpp"
#include "TVKCore/Schedule/CalendarEventManager.hpp"
#include "TarvikWidgetExtension/Links/DeepLinkHandler.hpp"

#include <ostream>

namespace tvk {

using namespace tvk::cli;

namespace {

/// The event a widget's link names, loaded on first need. The identifier is shared by every
/// occurrence of a series, and a widget shows the occurrence going on or coming next: the
/// earliest one among the current and then the upcoming events (the manager's own lookup
/// goes by its schedule, where an occurrence whose alert has passed is missing and a later
/// one would be found). Past the widgets' days, an event that does not repeat is still found
/// in the calendars.
std::optional<Event> lookUpEvent(const std::string& eventID, TimeInterval timeout)
{
    auto& manager = CalendarEventManager::shared();
    bool loaded = false;
    manager.reloadEvents(CalendarEventManager::PostNotification::no, [&loaded] { loaded = true; });
    if (!loaded)
        DispatchQueue::main().runUntil([&loaded] { return loaded; }, timeout);
    for (const auto& events : { manager.allCachedCurrentEvents(), manager.allCachedUpcomingEvents() }) {
        for (const auto& event : events) {
            if (event.id == eventID)
                return event;
        }
    }
    if (auto event = manager.cachedEvent(eventID))
        return event;
    if (auto stored = manager.aggregatedEventStore().event(eventID)) {
        auto event = Event::fromCalendarEvent(*stored);
        if (!event.isRecurring)
            return event;
    }
    return std::nullopt;
}

class OpenLinkCommand final : public Command {
public:
    explicit OpenLinkCommand(widgets::WidgetBundleRunner& runner)
        : Command("open-link", "act on a link to an event (tarvik://joinCall/ID, preview/ID, viewInCalendar/ID)")
        , m_runner(runner)
    {
        readsTheClock();
        form(&OpenLinkCommand::run).positional("URL").flag("dry-run");
    }

private:
    std::string description() const override
    {
        return "What the desktop runs for a \"tarvik\" link when this program handles them (see\n"
               "register-handler):\n"
               "  joinCall/ID        opens the event's video call: the meeting application when the service\n"
               "                     has one and it is set up, else the meeting's web page\n"
               "  preview/ID         shows the event in a small window, with a button to join its call\n"
               "  viewInCalendar/ID  starts your calendar application\n"
               "A link that names no event, or an event without a call to join, gets a notice: in a window\n"
               "when there is a display, and on standard error; the exit status is then 1.\n"
               "\n"
               "  --dry-run   prints what the link would do as JSON and does nothing: {\"open\": URL},\n"
               "              {\"preview\": {title, time, calendar, location, notes, participants, join}},\n"
               "              {\"calendar\": ID} or {\"notice\": {title, message}}\n";
    }

    CommandResult run(const Invocation& call) const
    {
        const auto& strings = m_runner.strings();
        DeepLinkHandler handler(
            [this](const std::string& id) { return lookUpEvent(id, m_runner.completionTimeout()); },
            [](const std::string& scheme) { return Workspace::shared().hasHandler(scheme); },
            [](const std::string& id) { return CalendarEventManager::shared().accountEmailForEvent(id); },
            [&strings](std::string_view key) { return strings.localizedString(key); });
        auto action = handler.action(call.arguments.positional("URL"));
        if (call.arguments.flag("dry-run")) {
            call.out << printJson(actionJson(action)) << '\n';
            return {};
        }
        auto open = [](const std::string& url) { return DeepLinkHandler::isSafeToOpen(url) && Workspace::shared().open(url); };

        if (auto* join = std::get_if<DeepLinkHandler::OpenURL>(&action)) {
            if (!open(join->url))
                return failure("could not open " + join->url);
            call.out << "opened " << join->url << '\n';
            return {};
        }
        if (auto* show = std::get_if<DeepLinkHandler::ShowPreview>(&action)) {
            if (widgets::EventPreviewWindow::show(show->preview, open) == widgets::EventPreviewWindow::noDisplay)
                return failure("cannot show the event: no graphical display");
            return {};
        }
        if (std::holds_alternative<DeepLinkHandler::OpenCalendar>(action)) {
            if (Workspace::shared().openDefaultApplication("text/calendar"))
                return {};
            action = DeepLinkHandler::Notice {
                strings.localizedString("LinkHandler.noCalendar.title"), strings.localizedString("LinkHandler.noCalendar.message") };
        }
        const auto& notice = std::get<DeepLinkHandler::Notice>(action);
        widgets::EventPreviewWindow::showNotice(notice.title, notice.message, strings.localizedString("LinkHandler.close"));
        return failure(notice.title + ": " + notice.message);
    }

    static nlohmann::json richTextJson(const widgets::EventPreview::RichText& text)
    {
        auto runs = nlohmann::json::array();
        for (const auto& run : text)
            runs.push_back(run.link ? nlohmann::json { { "text", run.text }, { "link", *run.link } } : nlohmann::json { { "text", run.text } });
        return runs;
    }

    static nlohmann::json actionJson(const DeepLinkHandler::Action& action)
    {
        if (auto* open = std::get_if<DeepLinkHandler::OpenURL>(&action))
            return { { "open", open->url } };
        if (auto* calendar = std::get_if<DeepLinkHandler::OpenCalendar>(&action))
            return { { "calendar", calendar->eventID } };
        if (auto* notice = std::get_if<DeepLinkHandler::Notice>(&action))
            return { { "notice", { { "title", notice->title }, { "message", notice->message } } } };
        const auto& preview = std::get<DeepLinkHandler::ShowPreview>(action).preview;
        return { { "preview",
            { { "title", preview.title }, { "time", preview.time }, { "calendar", preview.calendarName.value_or("") },
                { "location", richTextJson(preview.location) }, { "notes", richTextJson(preview.notes) },
                { "participants", preview.participants }, { "join", preview.joinURL ? nlohmann::json(*preview.joinURL) : nlohmann::json() } } } };
    }

    widgets::WidgetBundleRunner& m_runner;
};

class RegisterHandlerCommand final : public Command {
public:
    explicit RegisterHandlerCommand(widgets::WidgetBundleRunner& runner)
        : Command("register-handler", "open \"tarvik\" links with this program, unless another application does")
        , m_runner(runner)
    {
        form(&RegisterHandlerCommand::run);
    }

private:
    std::string description() const override
    {
        return "Makes this program your desktop's handler of \"tarvik\" links (the widgets' join, preview and\n"
               "calendar links), through its desktop entry: the installed one, or one written to\n"
               "$XDG_DATA_HOME/applications/. Nothing changes when another application handles them, such\n"
               "as the main application: it keeps them. Also spelled --register-handler.\n";
    }

    CommandResult run(const Invocation& call) const
    {
        std::string name = m_runner.strings().localizedString("WidgetHost.title");
        UrlSchemeHandler handler(std::string(deepLinkScheme), UserDefaults::standardDomainName(), name,
            "Opens the widgets' links to your events", { StandardPaths::executablePath().string(), "open-link" });
        auto result = handler.registerIfUnclaimed();
        if (!result)
            return failure(result.error());
        switch (result->registration) {
        case UrlSchemeHandler::Registration::registered:
            call.out << "registered: this program now opens \"tarvik\" links";
            if (!result->writtenEntry.empty())
                call.out << " (desktop entry " << result->writtenEntry.string() << ")";
            call.out << '\n';
            break;
        case UrlSchemeHandler::Registration::alreadyRegistered: call.out << "already registered\n"; break;
        case UrlSchemeHandler::Registration::leftToAnother:
            call.out << "not registered: " << result->claimant << " opens \"tarvik\" links\n";
            break;
        }
        return {};
    }

    widgets::WidgetBundleRunner& m_runner;
};

}

void addLinkCommands(widgets::WidgetBundleRunner& runner)
{
    runner.addCommand(std::make_unique<OpenLinkCommand>(runner));
    runner.addCommand(std::make_unique<RegisterHandlerCommand>(runner));
}

}
