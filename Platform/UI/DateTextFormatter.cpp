#include "Platform/UI/DateTextFormatter.hpp"

#include <unicode/datefmt.h>
#include <unicode/locid.h>
#include <unicode/measfmt.h>
#include <unicode/measunit.h>
#include <unicode/measure.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <memory>

namespace tvk::ui {

namespace {

icu::Locale localeFor(std::string_view identifier)
{
    if (identifier.empty())
        return icu::Locale::getDefault();
    return icu::Locale::createCanonical(std::string(identifier).c_str());
}

std::string toUTF8(const icu::UnicodeString& text)
{
    std::string result;
    text.toUTF8String(result);
    return result;
}

enum class DateKind { time, date };

icu::DateFormat* cachedDateFormat(DateKind kind, std::string_view locale, std::string_view timeZone)
{
    thread_local std::map<std::string, std::unique_ptr<icu::DateFormat>> formats;
    std::string key = std::string(kind == DateKind::time ? "t|" : "d|") + std::string(locale) + "|" + std::string(timeZone);
    auto found = formats.find(key);
    if (found != formats.end())
        return found->second.get();
    icu::Locale icuLocale = localeFor(locale);
    std::unique_ptr<icu::DateFormat> format(kind == DateKind::time
            ? icu::DateFormat::createTimeInstance(icu::DateFormat::kShort, icuLocale)
            : icu::DateFormat::createDateInstance(icu::DateFormat::kLong, icuLocale));
    if (format && !timeZone.empty()) {
        auto zone = icu::UnicodeString::fromUTF8(icu::StringPiece(timeZone.data(), static_cast<int32_t>(timeZone.size())));
        std::unique_ptr<icu::TimeZone> icuZone(icu::TimeZone::createTimeZone(zone));
        // An unknown name comes back as "Etc/Unknown" (GMT); keep the default zone then.
        icu::UnicodeString resolvedID;
        if (icuZone && icuZone->getID(resolvedID) != icu::UnicodeString("Etc/Unknown"))
            format->adoptTimeZone(icuZone.release());
    }
    auto* pointer = format.get();
    formats.emplace(std::move(key), std::move(format));
    return pointer;
}

std::string formatDate(DateKind kind, Date date, std::string_view locale, std::string_view timeZone)
{
    auto* format = cachedDateFormat(kind, locale, timeZone);
    if (!format)
        return {};
    icu::UnicodeString text;
    format->format(date.timeIntervalSince1970() * 1000.0, text);
    return toUTF8(text);
}

}

std::string DateTextFormatter::time(Date date, std::string_view locale, std::string_view timeZone)
{
    return formatDate(DateKind::time, date, locale, timeZone);
}

std::string DateTextFormatter::date(Date date, std::string_view locale, std::string_view timeZone)
{
    return formatDate(DateKind::date, date, locale, timeZone);
}

std::string DateTextFormatter::timer(Date date, Date now, std::string_view locale)
{
    double difference = std::fabs(date.timeIntervalSince(now));
    if (!std::isfinite(difference) || difference > 1e12)
        difference = 0;
    auto total = static_cast<long long>(std::floor(difference + 1e-6));
    long long hours = total / 3600;
    long long minutes = (total / 60) % 60;
    long long seconds = total % 60;

    thread_local std::map<std::string, std::unique_ptr<icu::MeasureFormat>> formats;
    std::string key(locale);
    auto found = formats.find(key);
    if (found == formats.end()) {
        UErrorCode status = U_ZERO_ERROR;
        auto format = std::make_unique<icu::MeasureFormat>(localeFor(locale), UMEASFMT_WIDTH_NUMERIC, status);
        found = formats.emplace(key, U_SUCCESS(status) ? std::move(format) : nullptr).first;
    }
    auto fallback = [&] {
        char buffer[48];
        if (hours > 0)
            std::snprintf(buffer, sizeof buffer, "%lld:%02lld:%02lld", hours, minutes, seconds);
        else
            std::snprintf(buffer, sizeof buffer, "%lld:%02lld", minutes, seconds);
        return std::string(buffer);
    };
    if (!found->second)
        return fallback();

    UErrorCode status = U_ZERO_ERROR;
    icu::Measure measures[3] = {
        icu::Measure(icu::Formattable(static_cast<int64_t>(hours)), icu::MeasureUnit::createHour(status), status),
        icu::Measure(icu::Formattable(static_cast<int64_t>(minutes)), icu::MeasureUnit::createMinute(status), status),
        icu::Measure(icu::Formattable(static_cast<int64_t>(seconds)), icu::MeasureUnit::createSecond(status), status),
    };
    if (U_FAILURE(status))
        return fallback();
    icu::UnicodeString text;
    icu::FieldPosition position;
    const icu::Measure* first = hours > 0 ? measures : measures + 1;
    int32_t count = hours > 0 ? 3 : 2;
    found->second->formatMeasures(first, count, text, position, status);
    if (U_FAILURE(status))
        return fallback();
    return toUTF8(text);
}

std::string DateTextFormatter::uppercased(std::string_view text, std::string_view locale)
{
    auto unicode = icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    unicode.toUpper(localeFor(locale));
    return toUTF8(unicode);
}

std::string DateTextFormatter::lowercased(std::string_view text, std::string_view locale)
{
    auto unicode = icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    unicode.toLower(localeFor(locale));
    return toUTF8(unicode);
}

}
