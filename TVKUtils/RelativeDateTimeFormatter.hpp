#pragma once

#include "Platform/Runtime/Date.hpp"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace tvk {

/// The platform's relative date-time formatter with its defaults (numeric, full unit names):
/// the span from a reference to a date in its largest whole calendar unit, "in 2 hours",
/// "3 days ago", "in 0 seconds", "vor 3 Tagen". Safe from any thread.
class RelativeDateTimeFormatter {
public:
    /// The shared formatter with the platform's defaults, created once.
    static const RelativeDateTimeFormatter& standard();

    RelativeDateTimeFormatter();
    ~RelativeDateTimeFormatter();
    RelativeDateTimeFormatter(const RelativeDateTimeFormatter&) = delete;
    RelativeDateTimeFormatter& operator=(const RelativeDateTimeFormatter&) = delete;

    /// Empty for dates no calendar can hold.
    std::string localizedString(Date date, Date reference) const;

private:
    mutable std::mutex m_mutex;
    /// The ICU object, behind a pointer so that this header needs no ICU header.
    struct Icu;
    mutable std::unique_ptr<Icu> m_format;
    mutable std::uint64_t m_generation = 0;
};

}
