#include "Platform/CommandLine/Command.hpp"
#include "Platform/Runtime/ISO8601.hpp"
#include "TVKLocalization/L10n.hpp"
#include "TVKUtils/DateComponentsFormatter.hpp"
#include "TVKUtils/DateFormatter.hpp"
#include "TVKUtils/DateOperations.hpp"
#include "TVKUtils/ModuleCalendar.hpp"
#include "TVKUtils/RelativeTime.hpp"
#include "TVKUtils/TextOperations.hpp"

#include <ostream>

namespace tvk::tvkctl {

using namespace tvk::cli;

namespace {

class FormatsCommand final : public Command {
public:
    FormatsCommand()
        : Command("formats", "print a date and a duration through every shared formatter")
    {
        readsTheClock();
        form(&FormatsCommand::run)
            .option("date", "ISO-8601", ValueType::date, Requirement::required)
            .option("seconds", "N", ValueType::number);
    }

private:
    std::string description() const override
    {
        return "Prints the date through each shared date formatter, the day label of an event\n"
               "row, the on/at phrase and the relative texts; then the span from now to the date\n"
               "(or N seconds) through each duration formatter. Formats follow the locale\n"
               "(LC_ALL, LC_TIME, LANG) and TZ; the catalog's words follow the language.\n";
    }

    CommandResult run(const Invocation& call) const
    {
        auto date = call.arguments.date("date");
        Date now = Date::now();
        TimeInterval seconds = call.arguments.number("seconds").value_or(*date - now);
        auto& out = call.out;

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
        return {};
    }
};

}

TVK_REGISTER_COMMAND(FormatsCommand)

}
