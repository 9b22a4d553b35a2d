#include "Platform/Runtime/ISO8601.hpp"

#include "Platform/Runtime/CivilTime.hpp"
#include "Platform/Runtime/IcuEnvironment.hpp"
#include "Platform/Runtime/WallClockTime.hpp"

#include <unicode/timezone.h>

#include <cmath>
#include <cstdio>
#include <memory>

namespace tvk {

namespace {

class Scanner {
public:
    explicit Scanner(std::string_view text)
        : m_text(text)
    {
    }

    bool atEnd() const { return m_position == m_text.size(); }
    char peek() const { return atEnd() ? '\0' : m_text[m_position]; }
    bool consume(char c)
    {
        if (peek() != c)
            return false;
        ++m_position;
        return true;
    }
    std::optional<int> digits(size_t count)
    {
        if (m_text.size() - m_position < count)
            return std::nullopt;
        int value = 0;
        for (size_t i = 0; i < count; ++i) {
            char c = m_text[m_position + i];
            if (c < '0' || c > '9')
                return std::nullopt;
            value = value * 10 + (c - '0');
        }
        m_position += count;
        return value;
    }
    std::optional<double> fraction()
    {
        double value = 0, scale = 0.1;
        size_t start = m_position;
        while (!atEnd() && peek() >= '0' && peek() <= '9') {
            value += (peek() - '0') * scale;
            scale /= 10;
            ++m_position;
        }
        if (m_position == start)
            return std::nullopt;
        return value;
    }

private:
    std::string_view m_text;
    size_t m_position = 0;
};

bool validDay(int year, int month, int day)
{
    static constexpr int lengths[] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    if (month < 1 || month > 12 || day < 1)
        return false;
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= lengths[month - 1] + (month == 2 && leap ? 1 : 0);
}

}

std::optional<Date> ISO8601::parse(std::string_view text)
{
    Scanner scanner(text);
    auto year = scanner.digits(4);
    if (!year || !scanner.consume('-'))
        return std::nullopt;
    auto month = scanner.digits(2);
    if (!month || !scanner.consume('-'))
        return std::nullopt;
    auto day = scanner.digits(2);
    if (!day || !validDay(*year, *month, *day))
        return std::nullopt;

    int hour = 0, minute = 0, second = 0;
    double fraction = 0;
    std::optional<int> offsetSeconds;
    if (!scanner.atEnd()) {
        if (!scanner.consume('T') && !scanner.consume(' '))
            return std::nullopt;
        auto h = scanner.digits(2);
        if (!h || !scanner.consume(':'))
            return std::nullopt;
        auto m = scanner.digits(2);
        if (!m)
            return std::nullopt;
        hour = *h;
        minute = *m;
        if (scanner.consume(':')) {
            auto s = scanner.digits(2);
            if (!s)
                return std::nullopt;
            second = *s;
            if (scanner.consume('.') || scanner.consume(',')) {
                auto f = scanner.fraction();
                if (!f)
                    return std::nullopt;
                fraction = *f;
            }
        }
        if (hour > 23 || minute > 59 || second > 59)
            return std::nullopt;
        if (scanner.consume('Z')) {
            offsetSeconds = 0;
        } else if (scanner.peek() == '+' || scanner.peek() == '-') {
            int sign = scanner.peek() == '-' ? -1 : 1;
            scanner.consume(scanner.peek());
            auto offsetHours = scanner.digits(2);
            if (!offsetHours)
                return std::nullopt;
            int offsetMinutes = 0;
            if (!scanner.atEnd()) {
                scanner.consume(':');
                auto m2 = scanner.digits(2);
                if (!m2)
                    return std::nullopt;
                offsetMinutes = *m2;
            }
            if (*offsetHours > 23 || offsetMinutes > 59)
                return std::nullopt;
            offsetSeconds = sign * (*offsetHours * 3600 + offsetMinutes * 60);
        }
        if (!scanner.atEnd())
            return std::nullopt;
    }

    if (offsetSeconds) {
        CivilTime civil { *year, static_cast<unsigned>(*month), static_cast<unsigned>(*day), static_cast<unsigned>(hour),
            static_cast<unsigned>(minute), static_cast<unsigned>(second) };
        return Date(static_cast<double>(civil.secondsSince1970() - *offsetSeconds) + fraction);
    }

    CivilTime wallClock { *year, static_cast<unsigned>(*month), static_cast<unsigned>(*day), static_cast<unsigned>(hour),
        static_cast<unsigned>(minute), static_cast<unsigned>(second) };
    auto offsets = WallClockTime::offsetsOfZone(IcuEnvironment::defaultTimeZoneIdentifier());
    if (!offsets)
        return std::nullopt;
    auto seconds = WallClockTime::secondsSince1970(wallClock.secondsSince1970(), *offsets);
    if (!seconds)
        return std::nullopt;
    return Date(static_cast<double>(*seconds) + fraction);
}

std::string ISO8601::format(Date date)
{
    double seconds = std::floor(date.timeIntervalSince1970());
    // A copy of the default zone per thread, taken again when the default changes: copying it
    // for each text was most of the cost of printing an event's times.
    thread_local std::uint64_t copiedGeneration = 0;
    thread_local std::unique_ptr<icu::TimeZone> zone;
    if (auto current = IcuEnvironment::timeZoneGeneration(); !zone || copiedGeneration != current) {
        zone.reset(icu::TimeZone::createDefault());
        copiedGeneration = current;
    }
    int32_t rawOffset = 0, dstOffset = 0;
    UErrorCode status = U_ZERO_ERROR;
    zone->getOffset(seconds * 1000.0, false, rawOffset, dstOffset, status);
    int offset = U_SUCCESS(status) ? (rawOffset + dstOffset) / 1000 : 0;
    auto civil = CivilTime::fromSecondsSince1970(static_cast<std::int64_t>(seconds) + offset);
    int absoluteOffset = offset < 0 ? -offset : offset;
    if (civil.year < 0 || civil.year > 9999 || absoluteOffset >= 100 * 3600) {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%04lld-%02u-%02uT%02u:%02u:%02u%c%02d:%02d", static_cast<long long>(civil.year), civil.month,
            civil.day, civil.hour, civil.minute, civil.second, offset < 0 ? '-' : '+', absoluteOffset / 3600, absoluteOffset / 60 % 60);
        return buffer;
    }
    // The common case by hand: printf's parsing of the format was most of the cost of the
    // thousands of times a reload prints.
    std::string text = "0000-00-00T00:00:00+00:00";
    auto digits = [&](size_t at, unsigned value, size_t count) {
        for (size_t i = count; i-- > 0; value /= 10)
            text[at + i] = static_cast<char>('0' + value % 10);
    };
    digits(0, static_cast<unsigned>(civil.year), 4);
    digits(5, civil.month, 2);
    digits(8, civil.day, 2);
    digits(11, civil.hour, 2);
    digits(14, civil.minute, 2);
    digits(17, civil.second, 2);
    text[19] = offset < 0 ? '-' : '+';
    digits(20, static_cast<unsigned>(absoluteOffset / 3600), 2);
    digits(23, static_cast<unsigned>(absoluteOffset / 60 % 60), 2);
    return text;
}

}
