#include "Platform/CommandLine/ArgumentParser.hpp"
#include "Platform/CommandLine/Command.hpp"
#include "Platform/Runtime/ISO8601.hpp"
#include "TVKLocalization/L10n.hpp"
#include "TVKUtils/DateComponentsFormatter.hpp"
#include "TVKUtils/DateFormatter.hpp"
#include "TVKUtils/DateOperations.hpp"
#include "TVKUtils/ModuleCalendar.hpp"
#include "TVKUtils/RelativeTime.hpp"
#include "TVKUtils/TextOperations.hpp"

#include <cmath>
#include <ostream>

namespace tvk::tvkctl {

using namespace tvk::cli;

namespace {

class FormatsCommand final : public Command {
public:
    std::string_view name() const override { return "formats"; }
    std::string_view summary() const override { return "print a date and a duration through every shared formatter"; }
    std::string help() const override
    {
        return "usage: tvkctl [--now ISO-8601] formats --date ISO-8601 [--seconds N]\n"
               "\n"
               "Prints the date through each shared date formatter, the day label of an event\n"
               "row, the on/at phrase and the relative texts; then the span from now to the date\n"
               "(or N seconds) through each duration formatter. Formats follow the locale\n"
               "(LC_ALL, LC_TIME, LANG) and TZ; the catalog's words follow the language.\n";
    }

    int run(std::span<const std::string> arguments, std::ostream& out, std::ostream& err) override
    {
        auto parsed = ArgumentParser().option("date").option("seconds").positionals(0, 0).parse(arguments);
        if (!parsed)
            return usage(err, parsed.error());
        if (parsed->helpRequested) {
            out << help();
            return success;
        }
        auto dateText = parsed->option("date");
        if (!dateText)
            return usage(err, "missing --date DATE");
        auto date = ISO8601::parse(*dateText);
        if (!date)
            return usage(err, "--date: \"" + *dateText + "\" is not an ISO 8601 date");
        Date now = Date::now();
        TimeInterval seconds = *date - now;
        if (auto secondsText = parsed->option("seconds")) {
            char* end = nullptr;
            seconds = std::strtod(secondsText->c_str(), &end);
            if (secondsText->empty() || *end != '\0' || !std::isfinite(seconds))
                return usage(err, "--seconds: \"" + *secondsText + "\" is not a number");
        }

        auto line = [&](std::string_view name, const std::string& value) {
            out << name << std::string(name.size() < 34 ? 34 - name.size() : 1, ' ') << value << '\n';
        };
        line("locale, time zone", ModuleCalendar::shared().localeIdentifier() + ", " + ModuleCalendar::shared().timeZoneIdentifier());
        line("now", ISO8601::format(now));
        line("timeOnly", DateFormatter::timeOnly().string(*date));
        line("dateOnly", DateFormatter::dateOnly().string(*date));
        line("timeAndDateFormatter", DateFormatter::timeAndDateFormatter().string(*date));
        line("dateOnlyNoYearWeekDay", DateFormatter::dateOnlyNoYearWeekDay().string(*date));
        line("calendarEventOccurrence", DateFormatter::calendarEventOccurrence().string(*date));
        line("weekDay", DateFormatter::weekDay().string(*date));
        std::string dayLabel = isOnSameDay(*date, now) ? localizedCapitalized(L10n::TimeFormat::today())
            : isTomorrow(*date, now)                   ? localizedCapitalized(L10n::TimeFormat::tomorrow())
                                                       : DateFormatter::dateOnlyNoYearWeekDay().string(*date);
        line("day label", dayLabel);
        line("formattedWithOnAndAt", formattedWithOnAndAt(*date, DateFormatter::dateOnly(), DateFormatter::timeOnly()));
        line("formattedRelativeTime", formattedRelativeTime(*date, now));
        line("formattedShortRelativeTime", formattedShortRelativeTime(*date, now, ForAccessibility::no, IsCurrentEvent::no));
        line("  for accessibility", formattedShortRelativeTime(*date, now, ForAccessibility::yes, IsCurrentEvent::no));
        line("  current event", formattedShortRelativeTime(*date, now, ForAccessibility::no, IsCurrentEvent::yes));
        line("formattedCompactRelativeTime", formattedCompactRelativeTime(*date, now, IsCurrentEvent::no));
        line("seconds", std::to_string(static_cast<long long>(seconds)));
        auto duration = [&](std::string_view name, const DateComponentsFormatter& formatter) {
            line(name, formatter.string(seconds).value_or("(none)"));
        };
        duration("countdownFormatter", DateComponentsFormatter::countdownFormatter());
        duration("timeRemainingFormatter", DateComponentsFormatter::timeRemainingFormatter());
        duration("durationFormatter", DateComponentsFormatter::durationFormatter());
        duration("durationFormatterForAccessibility", DateComponentsFormatter::durationFormatterForAccessibility());
        duration("durationFormatterForTimeOffset", DateComponentsFormatter::durationFormatterForTimeOffset());
        return success;
    }

private:
    int usage(std::ostream& err, const std::string& message) const
    {
        err << "tvkctl formats: " << message << "\n\n" << help();
        return usageError;
    }
};

}

TVK_REGISTER_COMMAND(FormatsCommand)

}
