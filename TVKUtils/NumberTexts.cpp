#include "TVKUtils/NumberTexts.hpp"

#include "TVKLocalization/L10n.hpp"
#include "TVKUtils/DateComponentsFormatter.hpp"
#include "TVKUtils/TimeUnits.hpp"

namespace tvk {

std::string localizedSnoozeTime(std::int64_t minutes)
{
    return minutes == 1 ? L10n::Alert::_1minute() : L10n::Alert::customMinutes(minutes);
}

std::string formattedMinutes(std::int64_t count)
{
    return DateComponentsFormatter::durationFormatterForAccessibility().string(minutes(count)).value_or(std::string());
}

}
