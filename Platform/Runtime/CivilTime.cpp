#include "Platform/Runtime/CivilTime.hpp"

namespace tvk {

// Howard Hinnant's days-from-civil and civil-from-days algorithms.

std::int64_t CivilTime::secondsSince1970() const
{
    std::int64_t y = year - (month <= 2 ? 1 : 0);
    std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    auto yearOfEra = static_cast<unsigned>(y - era * 400);
    unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    std::int64_t days = era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
    return days * 86400 + hour * 3600 + minute * 60 + second;
}

CivilTime CivilTime::fromSecondsSince1970(std::int64_t seconds)
{
    std::int64_t days = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
    std::int64_t secondOfDay = seconds - days * 86400;
    days += 719468;
    std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    auto dayOfEra = static_cast<unsigned>(days - era * 146097);
    unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    CivilTime civil;
    civil.year = static_cast<std::int64_t>(yearOfEra) + era * 400;
    unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    unsigned monthPrime = (5 * dayOfYear + 2) / 153;
    civil.day = dayOfYear - (153 * monthPrime + 2) / 5 + 1;
    civil.month = monthPrime < 10 ? monthPrime + 3 : monthPrime - 9;
    if (civil.month <= 2)
        ++civil.year;
    civil.hour = static_cast<unsigned>(secondOfDay / 3600);
    civil.minute = static_cast<unsigned>(secondOfDay / 60 % 60);
    civil.second = static_cast<unsigned>(secondOfDay % 60);
    return civil;
}

}
