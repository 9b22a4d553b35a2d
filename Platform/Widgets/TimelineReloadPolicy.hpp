#pragma once

#include "Platform/Runtime/Date.hpp"

#include <optional>

namespace tvk::widgets {

/// When the host asks a provider for its next timeline: once the last entry is shown
/// (`atEnd`), from a date on (`after`), or only when the widget centre reloads the widget's
/// kind (`never`).
class TimelineReloadPolicy {
public:
    enum class Kind { atEnd, after, never };

    static TimelineReloadPolicy atEnd() { return TimelineReloadPolicy(Kind::atEnd, std::nullopt); }
    static TimelineReloadPolicy after(Date date) { return TimelineReloadPolicy(Kind::after, date); }
    static TimelineReloadPolicy never() { return TimelineReloadPolicy(Kind::never, std::nullopt); }

    Kind kind() const { return m_kind; }
    /// The date of an `after` policy; none for the others.
    std::optional<Date> date() const { return m_date; }

    bool operator==(const TimelineReloadPolicy&) const = default;

private:
    TimelineReloadPolicy(Kind kind, std::optional<Date> date)
        : m_kind(kind)
        , m_date(date)
    {
    }

    Kind m_kind;
    std::optional<Date> m_date;
};

}
