#include "TVKCore/StatusBar/NextEventStatus.hpp"

#include "TVKCore/Events/EventPrinting.hpp"
#include "TVKCore/Join/JoinTarget.hpp"
#include "TVKCore/Settings/EventSettingsStore.hpp"
#include "TVKCore/Settings/UserSettingsStore.hpp"
#include "TVKLocalization/L10n.hpp"
#include "TVKUtils/RelativeTime.hpp"
#include "TVKUtils/WhitespaceTrimming.hpp"

#include <algorithm>

namespace tvk {

namespace {

// A bar has one line: a title's line breaks and other control characters become spaces.
std::string oneLineTitle(const Event& event)
{
    std::string title = event.title.value_or(L10n::General::untitled());
    std::replace_if(title.begin(), title.end(), [](unsigned char c) { return c < 0x20 || c == 0x7F; }, ' ');
    title = trimmingWhitespaceAndNewlines(title);
    return title.empty() ? L10n::General::untitled() : title;
}

bool isRunning(const Event& event, Date now)
{
    return !event.isAnyReminder() && event.isCurrentEvent(now);
}

std::string tooltipOf(const std::vector<const Event*>& shown)
{
    std::string tooltip;
    for (size_t index = 0; index < shown.size() && index < NextEventStatus::tooltipLines; ++index) {
        if (index > 0)
            tooltip += '\n';
        tooltip += eventTimeText(*shown[index]) + "  " + oneLineTitle(*shown[index]);
    }
    return tooltip;
}

}

NextEventStatus NextEventStatus::make(const std::vector<Event>& events, Date now)
{
    std::vector<const Event*> live;
    for (auto& event : events) {
        if (!(event.endDate < now))
            live.push_back(&event);
    }
    std::stable_sort(live.begin(), live.end(), [](auto* a, auto* b) { return a->startDate < b->startDate; });

    const Event* pending = nullptr;
    const Event* running = nullptr;
    const Event* next = nullptr;
    for (auto* event : live) {
        if (now < event->startDate) {
            if (!next)
                next = event;
            if (!pending && isAlertDue(*event, now))
                pending = event;
        } else if (isRunning(*event, now)) {
            running = event;
        }
    }

    NextEventStatus status;
    status.tooltip = tooltipOf(live);
    if (pending || (!running && next)) {
        auto* shown = pending ? pending : next;
        status.event = *shown;
        status.state = pending                                       ? State::pending
            : shown->startDate - now <= NextEventStatus::soonInterval ? State::soon
                                                                      : State::idle;
        status.text = oneLineTitle(*shown) + " "
            + formattedShortRelativeTime(shown->startDate, now, ForAccessibility::no, IsCurrentEvent::no);
    } else if (running) {
        status.event = *running;
        status.state = State::running;
        status.text = oneLineTitle(*running) + " · " + formattedShortRelativeTime(running->endDate, now, ForAccessibility::no, IsCurrentEvent::yes);
    }
    return status;
}

Date NextEventStatus::nextChange(const std::vector<Event>& events, Date now)
{
    // The status is a step function of time between these instants: within one stretch the
    // shown event and its state stay, and its countdown only goes down, so a change, once
    // there, stays, and a bisection finds where it starts.
    constexpr TimeInterval precision = 0.001;
    Date horizon = now + 86400;
    auto offset = static_cast<TimeInterval>(UserSettingsStore::shared().timeOffsetSeconds());
    std::vector<Date> boundaries { horizon };
    for (auto& event : events) {
        TimeInterval eventOffset = offset;
        if (auto custom = EventSettingsStore::shared().customSettings(event.id); custom && custom->usesCustomTimeOffset)
            eventOffset = static_cast<TimeInterval>(custom->timeOffsetSeconds);
        // An end and an alert's start count from just after them.
        for (Date instant : { event.startDate - eventOffset + precision, event.startDate - soonInterval, event.startDate,
                 event.startDate + precision, event.endDate + precision }) {
            if (now < instant && instant < horizon)
                boundaries.push_back(instant);
        }
    }
    std::sort(boundaries.begin(), boundaries.end());

    auto current = make(events, now);
    Date low = now;
    for (Date boundary : boundaries) {
        if (make(events, boundary) == current) {
            low = boundary;
            continue;
        }
        Date high = boundary;
        while (high - low > precision) {
            Date middle = low + (high - low) / 2;
            (make(events, middle) == current ? low : high) = middle;
        }
        return high;
    }
    return horizon;
}

std::string_view rawValue(NextEventStatus::State state)
{
    switch (state) {
    case NextEventStatus::State::idle: return "idle";
    case NextEventStatus::State::soon: return "soon";
    case NextEventStatus::State::pending: return "pending";
    case NextEventStatus::State::running: return "running";
    }
    return "idle";
}

}
