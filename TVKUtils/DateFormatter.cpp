#include "TVKUtils/DateFormatter.hpp"

#include "TVKUtils/ModuleCalendar.hpp"

#include <unicode/datefmt.h>
#include <unicode/dtptngen.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>
#include <unicode/udisplaycontext.h>

#include <cmath>

namespace tvk {

struct DateFormatter::Icu {
    std::unique_ptr<icu::DateFormat> object;
};

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

std::unique_ptr<icu::DateFormat> makeFormat(const DateFormatter::Configuration& configuration)
{
    icu::Locale locale = configuration.localeIdentifier.empty() ? icu::Locale::getDefault() : icu::Locale(configuration.localeIdentifier.c_str());
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
        auto dateStyle = icuStyle(configuration.dateStyle);
        if (configuration.doesRelativeDateFormatting && dateStyle != icu::DateFormat::kNone)
            dateStyle = static_cast<icu::DateFormat::EStyle>(dateStyle | icu::DateFormat::kRelative);
        format.reset(icu::DateFormat::createDateTimeInstance(dateStyle, icuStyle(configuration.timeStyle), locale));
    }
    if (U_FAILURE(status) || !format)
        format.reset(icu::DateFormat::createDateTimeInstance(icu::DateFormat::kShort, icu::DateFormat::kShort, icu::Locale::getRoot()));
    if (!format)
        return nullptr;

    const std::string& zoneIdentifier
        = configuration.timeZoneIdentifier.empty() ? ModuleCalendar::shared().timeZoneIdentifier() : configuration.timeZoneIdentifier;
    format->adoptTimeZone(icu::TimeZone::createTimeZone(unicode(zoneIdentifier)));

    UDisplayContext context = UDISPCTX_CAPITALIZATION_NONE;
    switch (configuration.formattingContext) {
    case DateFormatter::Context::unknown: break;
    case DateFormatter::Context::middleOfSentence: context = UDISPCTX_CAPITALIZATION_FOR_MIDDLE_OF_SENTENCE; break;
    case DateFormatter::Context::beginningOfSentence: context = UDISPCTX_CAPITALIZATION_FOR_BEGINNING_OF_SENTENCE; break;
    case DateFormatter::Context::standalone: context = UDISPCTX_CAPITALIZATION_FOR_STANDALONE; break;
    }
    UErrorCode contextStatus = U_ZERO_ERROR;
    format->setContext(context, contextStatus);
    return format;
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
    m_format = std::make_unique<Icu>(Icu { makeFormat(m_configuration) });
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
    icu::UnicodeString text;
    m_format->object->format(milliseconds, text);
    std::string result;
    text.toUTF8String(result);
    return result;
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
