#pragma once

#include "Platform/Runtime/Date.hpp"

#include <string>
#include <string_view>

namespace tvk::ui {

/// The texts of dates in `Text` and of text cases, formatted with ICU in a given locale and
/// time zone (empty identifiers mean ICU's defaults). Formatters are cached per thread.
class DateTextFormatter {
public:
    /// The locale's short time: "9:00 AM" (with U+202F before AM in English), "09:00".
    static std::string time(Date date, std::string_view locale, std::string_view timeZone);
    /// The locale's long date: "December 7, 2026".
    static std::string date(Date date, std::string_view locale, std::string_view timeZone);
    /// The time between `date` and `now`, counting down before it and up after it, in the
    /// locale's numeric form: "4:59", "0:05", "1:02:03". Whole seconds, rounded down.
    static std::string timer(Date date, Date now, std::string_view locale);

    static std::string uppercased(std::string_view text, std::string_view locale);
    static std::string lowercased(std::string_view text, std::string_view locale);
};

}
