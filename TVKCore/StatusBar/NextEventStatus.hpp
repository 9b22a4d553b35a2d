#pragma once

#include "Platform/Runtime/Date.hpp"
#include "TVKCore/Events/Event.hpp"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tvk {

/// What a status bar shows of the user's meetings at one instant: one line of text, a tooltip
/// with what comes next, and a state a bar can style.
///
/// The event shown is, in this order: the next meeting whose alert is due ("Design review in
/// 1 m", `pending`); else the meeting going on that started last ("Stand-up · 5 m left",
/// `running`); else the next to start ("Design review in 20 m", `soon` within a quarter of an
/// hour, else `idle`). Without any, the text is empty (a bar hides an empty module) and the
/// state `idle`. Reminders show like meetings but are never running.
struct NextEventStatus {
    enum class State { idle, soon, pending, running };

    std::optional<Event> event;
    State state = State::idle;
    /// One line: titles are put on one line and trimmed.
    std::string text;
    /// The meetings going on and the next ones, one line each ("10:00 AM – 10:15 AM  Stand-up"),
    /// at most `tooltipLines`.
    std::string tooltip;

    bool operator==(const NextEventStatus&) const = default;

    static constexpr TimeInterval soonInterval = 15 * 60;
    static constexpr size_t tooltipLines = 6;

    /// The status at `now` over `events` (the lists of a reload: going on and coming up, in
    /// any order; ended ones are skipped).
    static NextEventStatus make(const std::vector<Event>& events, Date now);
    /// The first instant after `now` at which `make` gives another status, to a millisecond,
    /// found between the instants where the events start, end or become due; when nothing
    /// changes within a day, the instant a day ahead.
    static Date nextChange(const std::vector<Event>& events, Date now);
};

/// "idle", "soon", "pending", "running": the class a bar's style sheet names.
std::string_view rawValue(NextEventStatus::State state);

}
