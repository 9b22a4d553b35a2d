// A long run of the widget host in simulated time, as it runs on a desktop for weeks: the
// headless host (`WidgetHost`) with the bundle's three widgets placed, each in another family,
// over the shared calendar event manager that their providers read. The process clock moves
// minute by minute; the manager's minute timer reloads and announces it, the host asks the
// providers again on that and by their policies, shows entries by date and asks for redraws,
// and every widget asked for is drawn as the desktop host draws it (`WidgetContainer`, onto an
// offscreen surface), so that the drawing code's memory is part of the figures. A calendar file
// is replaced every five minutes, seen by the store's directory monitors and by the reloads the
// widgets ask for; another program (`tvkctl`) changes the alert offset every seven minutes and
// turns the video-call filter on or off every eleven; the host is hidden for a while every four
// hours and drawn in the dark scheme every other hour. After each minute every widget must show
// the entry of the manager's latest lists, and the upcoming list the calendar's latest meeting
// (or, filtered, only events with a video call or a due alert). The run samples resident
// memory, descriptors, threads, inotify watches and main-context sources and fails when any
// grows (`SoakProbe`).
//
// usage: HostSoak TVKCTL [--minutes N | --long] [--memory-limit-mb M] (see SoakOptions)

#include "Platform/Calendar/ICalendarStore.hpp"
#include "Platform/Runtime/DispatchQueue.hpp"
#include "Platform/Runtime/ISO8601.hpp"
#include "Platform/UI/EnvironmentValues.hpp"
#include "Platform/Widgets/WidgetContainer.hpp"
#include "Platform/Widgets/WidgetHost.hpp"
#include "Platform/Widgets/WidgetStringTable.hpp"
#include "TVKCore/Calendar/AggregatedEventStore.hpp"
#include "TVKCore/Schedule/CalendarEventManager.hpp"
#include "TarvikWidgetExtension/TarvikWidgetBundle.hpp"
#include "TarvikWidgetExtension/Timeline/CurrentEvetsProvider.hpp"
#include "TarvikWidgetExtension/Timeline/NextEventProvider.hpp"
#include "TarvikWidgetExtension/Timeline/UpcomingEvetsProvider.hpp"
#include "Tests/Reliability/ManagerMinutes.hpp"
#include "Tests/Reliability/SoakProbe.hpp"
#include "Tests/Reliability/SoakWorld.hpp"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

using namespace tvk;
using test::SoakWorld;
using widgets::WidgetFamily;
using widgets::WidgetHost;

namespace {

enum class VideoCallFilter { off, on };

/// Draws the widgets the host asks to redraw, as the desktop host does: the entry's content
/// in the card, for the host's render date, onto a surface of the family's size; it tells the
/// host whether the drawing holds a live timer text.
class OffscreenCards {
public:
    explicit OffscreenCards(WidgetHost& host)
        : m_host(host)
        , m_strings(std::string(TarvikWidgetBundle::resourceBundleName))
    {
        m_host.setRedrawHandler([this](size_t index) {
            if (index >= m_dirty.size())
                m_dirty.resize(index + 1);
            m_dirty[index] = true;
        });
    }

    /// Draws every card asked for since the last call. Empty when each drew; else what failed.
    std::string drawAsked(ui::ColorScheme scheme)
    {
        for (size_t index = 0; index < m_dirty.size() && index < m_host.count(); ++index) {
            if (!m_dirty[index])
                continue;
            m_dirty[index] = false;
            if (auto failure = draw(index, scheme); !failure.empty())
                return failure;
        }
        return {};
    }

    long drawings() const { return m_drawings; }
    /// How many cards are asked for and not drawn yet.
    long asked() const { return std::count(m_dirty.begin(), m_dirty.end(), true); }
    /// The window went: what was asked for before is not drawn.
    void dropAsked() { std::fill(m_dirty.begin(), m_dirty.end(), false); }

private:
    std::string draw(size_t index, ui::ColorScheme scheme)
    {
        ui::EnvironmentValues environment;
        environment.colorScheme = scheme;
        environment.localize = m_strings.localizer();
        auto layout = widgets::WidgetContainer::layout(
            m_host.content(index), m_host.family(index), std::move(environment), { nullptr, m_host.renderDate(index) });
        ui::Size size = ui::widgetSize(m_host.family(index));
        cairo_surface_t* surface = cairo_image_surface_create(
            CAIRO_FORMAT_ARGB32, static_cast<int>(std::ceil(size.width)), static_cast<int>(std::ceil(size.height)));
        cairo_t* cairo = cairo_create(surface);
        widgets::WidgetContainer::draw(layout, cairo);
        cairo_status_t status = cairo_status(cairo);
        cairo_destroy(cairo);
        cairo_surface_destroy(surface);
        if (status != CAIRO_STATUS_SUCCESS)
            return std::string("drawing widget ") + std::to_string(index) + " failed: " + cairo_status_to_string(status);
        m_host.setShowsTimer(index, layout.containsTimer());
        ++m_drawings;
        return {};
    }

    WidgetHost& m_host;
    widgets::WidgetStringTable m_strings;
    std::vector<bool> m_dirty;
    long m_drawings = 0;
};

std::string titles(const std::vector<Event>& events)
{
    std::string text;
    for (auto& event : events)
        text += (text.empty() ? "" : ", ") + ("\"" + event.title.value_or("") + "\" at " + ISO8601::format(event.startDate));
    return "[" + text + "]";
}

/// Empty when widget `index` shows what a host shows of a timeline made now: the last entry
/// by date whose date has come (of equal dates, the later one), or the first while none has;
/// else what the widget shows.
template <class Entry> std::string compare(const WidgetHost& host, size_t index, widgets::Timeline<Entry> timeline, const char* widget)
{
    auto& entries = timeline.entries;
    if (entries.empty())
        return std::string("the ") + widget + " widget's provider made no entry";
    std::stable_sort(entries.begin(), entries.end(), [](auto& a, auto& b) { return a.date < b.date; });
    const Entry* expected = &entries.front();
    for (auto& entry : entries) {
        if (entry.date <= Date::now())
            expected = &entry;
    }
    auto shown = host.shownEntry(index);
    const auto* entry = shown.get<Entry>();
    if (entry && *entry == *expected)
        return {};
    return std::string("the ") + widget + " widget shows \"" + shown.summaryLine() + "\", not \"" + summaryLine(*expected) + "\"";
}

/// Empty when the host shows what the manager's lists hold now, and the upcoming list the
/// world's latest meeting (with the video-call filter on, only events with a call or whose
/// alert is due); else the first difference.
std::string checkShown(const WidgetHost& host, const CalendarEventManager& manager, const SoakWorld& world, VideoCallFilter filter)
{
    Date now = Date::now();
    if (auto problem = compare(host, 0, NextEventProvider::timeline(NextEventProvider::events(manager), now), "countdown");
        !problem.empty())
        return problem;
    if (auto problem = compare(host, 1, UpcomingEvetsProvider::timeline(UpcomingEvetsProvider::events(manager), now), "upcoming");
        !problem.empty())
        return problem;
    if (auto problem = compare(host, 2, CurrentEvetsProvider::timeline(CurrentEvetsProvider::events(manager), now), "current");
        !problem.empty())
        return problem;

    const auto& shown = host.shownEntry(1).get<UpcomingEventsEntry>()->events;
    auto pending = manager.pendingEvents();
    int meetings = 0;
    for (auto& event : shown) {
        auto title = event.title.value_or("");
        // The filter keeps events without a call out of the schedule; one whose alert is due
        // is listed all the same.
        bool due = std::any_of(pending.begin(), pending.end(), [&](const Event& other) { return other.id == event.id; });
        if (filter == VideoCallFilter::on && event.videoConferenceLinks.empty() && !due)
            return "with only video calls asked for, the upcoming widget shows " + titles(shown);
        if (SoakWorld::isMeetingTitle(title)) {
            if (title != SoakWorld::meetingTitle(world.version()) || event.startDate != world.meetingStart())
                return "the upcoming widget shows " + titles(shown) + ", not \"" + SoakWorld::meetingTitle(world.version()) + "\" at "
                    + ISO8601::format(world.meetingStart());
            ++meetings;
        }
    }
    if (filter == VideoCallFilter::off && meetings != 1)
        return "the upcoming widget shows " + titles(shown) + ", without \"" + SoakWorld::meetingTitle(world.version()) + "\" once";
    return {};
}

}

int main(int argc, char** argv)
{
    auto options = test::SoakOptions::parse(argc, argv);
    if (!options)
        return 2;
    SoakWorld world(options->tvkctl);
    // The widgets' providers read the shared manager, over the calendars the environment names.
    auto& manager = CalendarEventManager::shared();
    auto* files = dynamic_cast<ICalendarStore*>(&AggregatedEventStore::shared().eventStore());
    if (!files) {
        std::cerr << "FAIL: the shared calendar store does not read the calendar files\n";
        return 1;
    }
    if (!manager.activateAllCalendars()) {
        std::cerr << "FAIL: cannot activate the calendars\n";
        return 1;
    }
    test::ManagerMinutes minutes(manager, *files, world);
    if (auto failure = minutes.setAlertOffset(120); !failure.empty()) {
        std::cerr << "FAIL: " << failure << '\n';
        return 1;
    }

    WidgetHost host(TarvikWidgetBundle().body());
    OffscreenCards cards(host);
    host.setPlacements({ { std::string(NextEventCountdownWidget::kind), WidgetFamily::systemSmall },
        { std::string(UpcomingEventsWidget::kind), WidgetFamily::systemLarge },
        { std::string(CurrentEventsWidget::kind), WidgetFamily::systemMedium } });
    if (host.count() != 3) {
        std::cerr << "FAIL: the host placed " << host.count() << " of the bundle's three widgets\n";
        return 1;
    }

    test::SoakProbe probe(options->warmUpMinute());
    VideoCallFilter filter = VideoCallFilter::off;
    long filterEdits = 0, hiddenMinutes = 0;
    std::string lastProblem;
    auto fail = [&](int minute, const std::string& what) {
        std::printf("FAIL at minute %d: %s\n", minute, what.c_str());
        return 1;
    };
    for (int minute = 1; minute <= options->minutes; ++minute) {
        // What happens during the minute: a sync, settings edits. Once an hour the run waits
        // for the rescan (a reload the widgets asked for may have read the new file first).
        if (auto failure = minutes.changesDuring(minute, test::ManagerMinutes::Wait::forRescan); !failure.empty())
            return fail(minute, failure);
        if (minute % 11 == 0) {
            filter = filter == VideoCallFilter::on ? VideoCallFilter::off : VideoCallFilter::on;
            if (auto failure = world.setSetting("showOnlyEventsWithVideoConference", filter == VideoCallFilter::on ? "true" : "false");
                !failure.empty())
                return fail(minute, "tvkctl could not change the video-call filter: " + failure);
            ++filterEdits;
        }
        // Hidden for the last forty minutes of every four hours: no redraws meanwhile, all of
        // them when shown again.
        bool hidden = minute % 240 >= 200;
        if (hidden && host.isVisible())
            cards.dropAsked();
        host.setVisible(!hidden);
        hiddenMinutes += hidden;

        // The minute ends: the manager's timer reloads and announces it, the host asks again.
        if (auto failure = minutes.passMinute(); !failure.empty())
            return fail(minute, failure);
        if (!DispatchQueue::main().runUntil([&] { return (lastProblem = checkShown(host, manager, world, filter)).empty(); }, 60))
            return fail(minute, lastProblem);
        if (hidden && cards.asked() > 0)
            return fail(minute, "the hidden host asked for " + std::to_string(cards.asked()) + " redraws");
        if (hidden && host.isTicking())
            return fail(minute, "the hidden host kept its second timer");
        if (minute % 240 == 0 && cards.asked() != static_cast<long>(host.count()))
            return fail(minute, "shown again, the host asked for " + std::to_string(cards.asked()) + " of its widgets' redraws");
        if (auto failure = cards.drawAsked((minute / 60) % 2 ? ui::ColorScheme::dark : ui::ColorScheme::light); !failure.empty())
            return fail(minute, failure);
        probe.minutePassed(minute);
    }

    std::printf("%d simulated minutes (%.1f days) of the widget host: %d calendar replacements (%ld waited for through the "
                "monitors), %ld settings changes by tvkctl, %ld minutes hidden, %ld widget drawings; each minute's widgets checked\n",
        options->minutes, options->minutes / 1440.0, world.version(), minutes.longWaits(), minutes.settingsEdits() + filterEdits,
        hiddenMinutes, cards.drawings());
    return probe.report(options->memoryLimitKilobytes) ? 0 : 1;
}
