#include "Platform/CommandLine/Command.hpp"
#include "Platform/CommandLine/JsonPrinting.hpp"
#include "Platform/Desktop/Application.hpp"
#include "Platform/Runtime/ISO8601.hpp"
#include "TVKCore/Events/EventPrinting.hpp"
#include "TVKCore/Schedule/CalendarEventManager.hpp"
#include "TVKCore/StatusBar/NextEventFollower.hpp"
#include "tools/tvkctl/ManagerReload.hpp"

#include <nlohmann/json.hpp>
#include <ostream>

namespace tvk::tvkctl {

using namespace tvk::cli;

namespace {

enum class Format { text, json, waybar, i3blocks };

std::optional<Format> formatNamed(std::string_view name)
{
    if (name == "text")
        return Format::text;
    if (name == "json")
        return Format::json;
    if (name == "waybar")
        return Format::waybar;
    if (name == "i3blocks")
        return Format::i3blocks;
    return std::nullopt;
}

// Waybar reads its module's text and tooltip as Pango markup: a title is text, never markup.
std::string escapedMarkup(std::string_view text)
{
    std::string escaped;
    for (char c : text) {
        switch (c) {
        case '&': escaped += "&amp;"; break;
        case '<': escaped += "&lt;"; break;
        case '>': escaped += "&gt;"; break;
        default: escaped += c;
        }
    }
    return escaped;
}

// i3blocks colours a block by its third line; idle keeps the bar's own colour.
std::string_view i3blocksColor(NextEventStatus::State state)
{
    switch (state) {
    case NextEventStatus::State::idle: return "";
    case NextEventStatus::State::soon: return "#FFC107";
    case NextEventStatus::State::pending: return "#FF9800";
    case NextEventStatus::State::running: return "#4CAF50";
    }
    return "";
}

// Every form is whole lines, one status at a time, so that a bar reading line by line (or
// i3blocks' persistent mode, one full text per line) never sees half of one.
void write(std::ostream& out, const NextEventStatus& status, Format format, bool following)
{
    std::string_view state = rawValue(status.state);
    switch (format) {
    case Format::text: out << status.text << '\n'; break;
    case Format::waybar:
        // One object per line: waybar's "return-type": "json".
        out << nlohmann::json { { "text", escapedMarkup(status.text) }, { "alt", state }, { "tooltip", escapedMarkup(status.tooltip) },
                   { "class", state } }
                   .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)
            << '\n';
        break;
    case Format::json: {
        nlohmann::json event = status.event ? eventJson(*status.event) : nlohmann::json(nullptr);
        out << nlohmann::json { { "text", status.text }, { "tooltip", status.tooltip }, { "class", state }, { "event", event } }.dump(
                   -1, ' ', false, nlohmann::json::error_handler_t::replace)
            << '\n';
        break;
    }
    case Format::i3blocks:
        if (following)
            out << status.text << '\n';
        else
            out << status.text << '\n' << status.text << '\n' << i3blocksColor(status.state) << '\n';
        break;
    }
    out.flush();
}

std::vector<Event> listedEvents(const CalendarEventManager& manager)
{
    auto events = manager.allCachedCurrentEvents();
    auto upcoming = manager.allCachedUpcomingEvents();
    events.insert(events.end(), upcoming.begin(), upcoming.end());
    return events;
}

// The follower lives for the main loop; a sink that cannot write ends the loop.
class Follow final : public ApplicationDelegate {
public:
    Follow(CalendarEventManager& manager, std::ostream& out, Format format)
        : m_manager(manager)
        , m_out(out)
        , m_format(format)
    {
    }

    void applicationDidFinishLaunching(const Notification&) override
    {
        m_follower = std::make_unique<NextEventFollower>([this] { return listedEvents(m_manager); },
            [this](const NextEventStatus& status) {
                write(m_out, status, m_format, true);
                if (!m_out)
                    Application::shared().terminate();
            });
    }

private:
    CalendarEventManager& m_manager;
    std::ostream& m_out;
    Format m_format;
    std::unique_ptr<NextEventFollower> m_follower;
};

class NextCommand final : public Command {
public:
    NextCommand()
        : Command("next", "the meeting going on or coming next, for a status bar")
    {
        readsTheClock();
        form(&NextCommand::run).option("format", "FORMAT").flag("follow");
    }

private:
    std::string description() const override
    {
        return "Prints the meeting to show in a status bar: the next one whose alert is due\n"
               "(\"Design review in 1 m\"), else the one going on (\"Stand-up · 5 m left\"), else\n"
               "the next (\"Design review in 20 m\"); an empty text when nothing comes up.\n"
               "FORMAT is text (the default: the line), json ({text, tooltip, class, event},\n"
               "the event as `tvkctl events` prints it, or null), waybar ({text, alt, tooltip,\n"
               "class} for a custom module with \"return-type\": \"json\"; text and tooltip are\n"
               "escaped for Pango markup) or i3blocks (full text, short text and colour). The\n"
               "class is idle, soon (starts within 15 minutes), pending (its alert is due) or\n"
               "running. The tooltip lists the meetings going on and coming next.\n"
               "\n"
               "With --follow it keeps running and prints a line (one JSON object per line in\n"
               "the JSON forms, the full text alone with i3blocks, for its persistent mode)\n"
               "each time the status changes, and only then: at the instant a countdown's\n"
               "minute turns, a meeting starts, ends or becomes due, and after calendars\n"
               "change. It ends on SIGTERM or SIGINT, or when its output is closed.\n";
    }

    CommandResult run(const Invocation& call) const
    {
        auto format = formatNamed(call.arguments.option("format").value_or("text"));
        if (!format)
            return usageError("FORMAT is text, json, waybar or i3blocks, not \"" + *call.arguments.option("format") + "\"");
        bool follows = call.arguments.flag("follow");
        auto& manager = follows ? CalendarEventManager::shared() : managerReadingOnce();
        if (auto reloaded = reloadAndWait(manager); !reloaded)
            return reloaded;
        if (!follows) {
            write(call.out, NextEventStatus::make(listedEvents(manager), Date::now()), *format, false);
            return {};
        }
        Follow follow(manager, call.out, *format);
        Application::shared().run(follow);
        return {};
    }
};

}

TVK_REGISTER_COMMAND(NextCommand)

}
