#include "TVKUtils/DateFormatter.hpp"

#include "TVKUtils/DateOperations.hpp"
#include "TVKUtils/ModuleCalendar.hpp"

#include <unicode/datefmt.h>
#include <unicode/dtptngen.h>
#include <unicode/locid.h>
#include <unicode/reldatefmt.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>
#include <unicode/udisplaycontext.h>

#include <array>
#include <cmath>

namespace tvk {

struct DateFormatter::Icu {
    std::unique_ptr<icu::DateFormat> object;
    /// Relative formatting: the date part alone, the time part alone, the words for days
    /// near today, and the pattern that joins date and time ("{1}, {0}").
    std::unique_ptr<icu::DateFormat> dateOnly;
    std::unique_ptr<icu::DateFormat> timeOnly;
    std::unique_ptr<icu::RelativeDateTimeFormatter> words;
    icu::UnicodeString glue;

    icu::UnicodeString relativeText(Date date, double milliseconds) const;

    /// The texts made last, by the date's milliseconds (and for relative formatting the day
    /// that is today): the lists of a week's events repeat a few dozen times over and over,
    /// and every ICU format call computes all calendar fields anew.
    struct Remembered {
        double milliseconds = std::nan("");
        double today = std::nan("");
        std::string text;
    };
    std::array<Remembered, 64> remembered;
    /// Today, [start, end), while the clock stays within it.
    double todayStart = std::nan("");
    double tomorrowStart = std::nan("");

    double today();
    Remembered& slot(double milliseconds)
    {
        auto bits = static_cast<std::uint64_t>(std::llround(milliseconds / 60000.0));
        return remembered[(bits ^ (bits >> 6) ^ (bits >> 12)) % remembered.size()];
    }
};

double DateFormatter::Icu::today()
{
    Date now = Date::now();
    if (!(now.timeIntervalSince1970() >= todayStart && now.timeIntervalSince1970() < tomorrowStart)) {
        todayStart = beginningOfDay(now).timeIntervalSince1970();
        // A day lasts 23 to 25 hours, so 30 hours on is always within the next one.
        tomorrowStart = beginningOfDay(Date(todayStart + 30 * 3600)).timeIntervalSince1970();
    }
    return todayStart;
}

namespace {

icu::DateFormat::EStyle icuStyle(DateFormatter::Style style)
{
    switch (style) {
    case DateFormatter::Style::none: return icu::DateFormat::kNone;
    case DateFormatter::Style::shortStyle: return icu::DateFormat::kShort;
    case DateFormatter::Style::mediumStyle: return icu::DateFormat::kMedium;
    case DateFormatter::Style::longStyle: return icu::DateFormat::kLong;
    case DateFormatter::Style::fullStyle: return icu::DateFormat::kFull;
    }
    return icu::DateFormat::kNone;
}

icu::UnicodeString unicode(const std::string& text)
{
    return icu::UnicodeString::fromUTF8(text);
}

UDisplayContext capitalization(DateFormatter::Context context)
{
    switch (context) {
    case DateFormatter::Context::unknown: return UDISPCTX_CAPITALIZATION_NONE;
    case DateFormatter::Context::middleOfSentence: return UDISPCTX_CAPITALIZATION_FOR_MIDDLE_OF_SENTENCE;
    case DateFormatter::Context::beginningOfSentence: return UDISPCTX_CAPITALIZATION_FOR_BEGINNING_OF_SENTENCE;
    case DateFormatter::Context::standalone: return UDISPCTX_CAPITALIZATION_FOR_STANDALONE;
    }
    return UDISPCTX_CAPITALIZATION_NONE;
}

icu::Locale localeOf(const DateFormatter::Configuration& configuration)
{
    return configuration.localeIdentifier.empty() ? icu::Locale::getDefault() : icu::Locale(configuration.localeIdentifier.c_str());
}

std::unique_ptr<icu::DateFormat> makeFormat(const DateFormatter::Configuration& configuration)
{
    icu::Locale locale = localeOf(configuration);
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::DateFormat> format;
    if (!configuration.fixedPattern.empty()) {
        format = std::make_unique<icu::SimpleDateFormat>(unicode(configuration.fixedPattern), locale, status);
    } else if (!configuration.localizedTemplate.empty()) {
        std::unique_ptr<icu::DateTimePatternGenerator> generator(icu::DateTimePatternGenerator::createInstance(locale, status));
        if (U_SUCCESS(status)) {
            auto pattern = generator->getBestPattern(unicode(configuration.localizedTemplate), status);
            format = std::make_unique<icu::SimpleDateFormat>(pattern, locale, status);
        }
    } else {
        format.reset(icu::DateFormat::createDateTimeInstance(icuStyle(configuration.dateStyle), icuStyle(configuration.timeStyle), locale));
    }
    if (U_FAILURE(status) || !format)
        format.reset(icu::DateFormat::createDateTimeInstance(icu::DateFormat::kShort, icu::DateFormat::kShort, icu::Locale::getRoot()));
    if (!format)
        return nullptr;

    const std::string& zoneIdentifier
        = configuration.timeZoneIdentifier.empty() ? ModuleCalendar::shared().timeZoneIdentifier() : configuration.timeZoneIdentifier;
    format->adoptTimeZone(icu::TimeZone::createTimeZone(unicode(zoneIdentifier)));

    UErrorCode contextStatus = U_ZERO_ERROR;
    format->setContext(capitalization(configuration.formattingContext), contextStatus);
    return format;
}

bool isRelative(const DateFormatter::Configuration& configuration)
{
    return configuration.doesRelativeDateFormatting && configuration.fixedPattern.empty() && configuration.localizedTemplate.empty()
        && configuration.dateStyle != DateFormatter::Style::none;
}

/// ICU's own relative date format reads the system clock for "today"; the words are chosen
/// here instead, against the process clock, so that a pinned clock pins them too.
void addRelativeParts(DateFormatter::Configuration configuration, std::unique_ptr<icu::DateFormat>& dateOnly,
    std::unique_ptr<icu::DateFormat>& timeOnly, std::unique_ptr<icu::RelativeDateTimeFormatter>& words, icu::UnicodeString& glue)
{
    auto timeStyle = configuration.timeStyle;
    configuration.timeStyle = DateFormatter::Style::none;
    dateOnly = makeFormat(configuration);
    if (timeStyle != DateFormatter::Style::none) {
        configuration.timeStyle = timeStyle;
        configuration.dateStyle = DateFormatter::Style::none;
        timeOnly = makeFormat(configuration);
    }
    icu::Locale locale = localeOf(configuration);
    UErrorCode status = U_ZERO_ERROR;
    words = std::make_unique<icu::RelativeDateTimeFormatter>(
        locale, nullptr, UDAT_STYLE_LONG, capitalization(configuration.formattingContext), status);
    if (U_FAILURE(status))
        words.reset();
    status = U_ZERO_ERROR;
    std::unique_ptr<icu::DateTimePatternGenerator> generator(icu::DateTimePatternGenerator::createInstance(locale, status));
    glue = U_SUCCESS(status) ? generator->getDateTimeFormat(UDAT_MEDIUM, status) : icu::UnicodeString();
    if (U_FAILURE(status) || glue.indexOf(u"{0}") < 0 || glue.indexOf(u"{1}") < 0)
        glue = u"{1}, {0}";
}

}

DateFormatter::DateFormatter(Configuration configuration)
    : m_configuration(std::move(configuration))
{
}

DateFormatter::~DateFormatter() = default;

void DateFormatter::rebuildIfNeeded() const
{
    auto generation = ModuleCalendar::generation();
    if (m_format && m_generation == generation)
        return;
    m_format = std::make_unique<Icu>();
    m_format->object = makeFormat(m_configuration);
    if (isRelative(m_configuration))
        addRelativeParts(m_configuration, m_format->dateOnly, m_format->timeOnly, m_format->words, m_format->glue);
    m_generation = generation;
}

std::string DateFormatter::string(Date date) const
{
    double milliseconds = date.timeIntervalSince1970() * 1000.0;
    if (!std::isfinite(milliseconds) || std::fabs(milliseconds) > 1.0e17)
        return {};
    std::lock_guard lock(m_mutex);
    rebuildIfNeeded();
    if (!m_format->object)
        return {};
    double today = m_format->dateOnly ? m_format->today() : 0.0;
    auto& remembered = m_format->slot(milliseconds);
    if (remembered.milliseconds == milliseconds && remembered.today == today)
        return remembered.text;
    icu::UnicodeString text;
    if (m_format->dateOnly)
        text = m_format->relativeText(date, milliseconds);
    else
        m_format->object->format(milliseconds, text);
    std::string result;
    text.toUTF8String(result);
    remembered = { milliseconds, today, result };
    return result;
}

icu::UnicodeString DateFormatter::Icu::relativeText(Date date, double milliseconds) const
{
    icu::UnicodeString dayText;
    auto offset = ModuleCalendar::shared().differences(beginningOfDay(Date::now()), beginningOfDay(date), std::array { CalendarUnit::day });
    if (offset && words && (*offset)[0] >= -2 && (*offset)[0] <= 2) {
        static constexpr std::array directions { UDAT_DIRECTION_LAST_2, UDAT_DIRECTION_LAST, UDAT_DIRECTION_THIS, UDAT_DIRECTION_NEXT,
            UDAT_DIRECTION_NEXT_2 };
        UErrorCode status = U_ZERO_ERROR;
        words->format(directions[static_cast<std::size_t>((*offset)[0] + 2)], UDAT_ABSOLUTE_DAY, dayText, status);
        if (U_FAILURE(status))
            dayText.remove();
    }
    if (dayText.isEmpty())
        dateOnly->format(milliseconds, dayText);
    if (!timeOnly)
        return dayText;
    icu::UnicodeString timeText;
    timeOnly->format(milliseconds, timeText);
    icu::UnicodeString joined = glue;
    joined.findAndReplace(u"{1}", dayText);
    joined.findAndReplace(u"{0}", timeText);
    return joined;
}

std::string DateFormatter::pattern() const
{
    std::lock_guard lock(m_mutex);
    rebuildIfNeeded();
    icu::UnicodeString pattern;
    if (auto* simple = dynamic_cast<icu::SimpleDateFormat*>(m_format->object.get()))
        simple->toPattern(pattern);
    std::string result;
    pattern.toUTF8String(result);
    return result;
}

const DateFormatter& DateFormatter::timeOnly()
{
    static const DateFormatter formatter({ .dateStyle = Style::none, .timeStyle = Style::shortStyle });
    return formatter;
}

const DateFormatter& DateFormatter::dateOnly()
{
    static const DateFormatter formatter({ .dateStyle = Style::longStyle, .timeStyle = Style::none });
    return formatter;
}

const DateFormatter& DateFormatter::timeAndDateFormatter()
{
    static const DateFormatter formatter({
        .dateStyle = Style::mediumStyle,
        .timeStyle = Style::shortStyle,
        .doesRelativeDateFormatting = true,
        .formattingContext = Context::middleOfSentence,
    });
    return formatter;
}

const DateFormatter& DateFormatter::dateOnlyNoYearWeekDay()
{
    static const DateFormatter formatter({ .localizedTemplate = "EdMMM" });
    return formatter;
}

const DateFormatter& DateFormatter::calendarEventOccurrence()
{
    static const DateFormatter formatter({
        .fixedPattern = "yyyyMMdd'T'HHmmss'Z'",
        .timeZoneIdentifier = "UTC",
        .localeIdentifier = "en_US_POSIX",
    });
    return formatter;
}

const DateFormatter& DateFormatter::weekDay()
{
    static const DateFormatter formatter({ .fixedPattern = "EEEE" });
    return formatter;
}

}
