#include "TVKUtils/RelativeDateTimeFormatter.hpp"

#include "TVKUtils/ModuleCalendar.hpp"

#include <unicode/locid.h>
#include <unicode/reldatefmt.h>

#include <array>

namespace tvk {

struct RelativeDateTimeFormatter::Icu {
    std::unique_ptr<icu::RelativeDateTimeFormatter> object;
};

RelativeDateTimeFormatter::RelativeDateTimeFormatter() = default;
RelativeDateTimeFormatter::~RelativeDateTimeFormatter() = default;

const RelativeDateTimeFormatter& RelativeDateTimeFormatter::standard()
{
    static const RelativeDateTimeFormatter formatter;
    return formatter;
}

std::string RelativeDateTimeFormatter::localizedString(Date date, Date reference) const
{
    static constexpr std::array units { CalendarUnit::year, CalendarUnit::month, CalendarUnit::weekOfYear, CalendarUnit::day,
        CalendarUnit::hour, CalendarUnit::minute, CalendarUnit::second };
    static constexpr std::array icuUnits { UDAT_REL_UNIT_YEAR, UDAT_REL_UNIT_MONTH, UDAT_REL_UNIT_WEEK, UDAT_REL_UNIT_DAY,
        UDAT_REL_UNIT_HOUR, UDAT_REL_UNIT_MINUTE, UDAT_REL_UNIT_SECOND };
    auto amounts = ModuleCalendar::shared().differences(reference, date, units);
    if (!amounts)
        return {};
    // The largest unit with a whole amount; all zero reads as "in 0 seconds".
    std::size_t index = 0;
    while (index + 1 < amounts->size() && (*amounts)[index] == 0)
        ++index;

    std::lock_guard lock(m_mutex);
    auto generation = ModuleCalendar::generation();
    if (!m_format || m_generation != generation) {
        UErrorCode status = U_ZERO_ERROR;
        m_format = std::make_unique<Icu>(Icu { std::make_unique<icu::RelativeDateTimeFormatter>(
            icu::Locale::getDefault(), nullptr, UDAT_STYLE_LONG, UDISPCTX_CAPITALIZATION_NONE, status) });
        if (U_FAILURE(status))
            m_format->object.reset();
        m_generation = generation;
    }
    if (!m_format->object)
        return {};
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString text;
    m_format->object->formatNumeric(static_cast<double>((*amounts)[index]), icuUnits[index], text, status);
    if (U_FAILURE(status))
        return {};
    std::string result;
    text.toUTF8String(result);
    return result;
}

}
