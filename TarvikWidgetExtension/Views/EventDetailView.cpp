#include "TarvikWidgetExtension/Views/EventDetailView.hpp"

#include "Platform/UI/UI.hpp"
#include "TVKCore/Join/JoinTarget.hpp"
#include "TVKCore/Settings/UserSettingsStore.hpp"
#include "TVKLocalization/L10n.hpp"
#include "TVKUtils/DateComponentsFormatter.hpp"
#include "TVKUtils/DateFormatter.hpp"
#include "TVKUtils/DateOperations.hpp"
#include "TVKUtils/TextOperations.hpp"
#include "TarvikWidgetExtension/Views/CameraButton.hpp"
#include "TarvikWidgetExtension/Views/ConditionalStack.hpp"

namespace tvk {

using namespace tvk::ui;
using Configuration = EventDetailView::Configuration;

Configuration Configuration::countdown()
{
    return { false, 2, CameraButtonLocation::center, false };
}

Configuration Configuration::upcomingList(WidgetFamily family)
{
    bool small = family == WidgetFamily::systemSmall;
    return { true, small ? 2 : 1, small ? CameraButtonLocation::inline_ : CameraButtonLocation::center, false };
}

Configuration Configuration::currentList(WidgetFamily family)
{
    bool small = family == WidgetFamily::systemSmall;
    return { false, small ? 2 : 1, small ? CameraButtonLocation::inline_ : CameraButtonLocation::center, true };
}

namespace {

/// The reminder's symbol at the top of the row's leading edge.
View reminderIndicator(const char* symbol, Font::Weight weight, double topPadding, const Event& event)
{
    return VStack(HorizontalAlignment::center,
        {
            Image::systemName(symbol)
                .resizable()
                .aspectRatio(ContentMode::fit)
                .frame(10)
                .fontWeight(weight)
                .foregroundStyle(event.color)
                .padding(Edge::top, topPadding),
            Spacer(),
        });
}

View indicator(const Event& event)
{
    switch (event.type) {
    case EventType::calendarEvent: return RoundedRectangle(Size { 2, 2 }, RoundedCornerStyle::circular).fill(event.color).frame(3);
    case EventType::tvkReminder: return reminderIndicator("alarm.fill", Font::Weight::regular, 4, event);
    case EventType::appleReminder: return reminderIndicator("circle", Font::Weight::bold, 5, event);
    }
    return EmptyView();
}

/// "Today" or "Tomorrow" for the occurrence's own day as seen at `renderDate`, else its
/// weekday and date.
std::string dayLabel(const Event& event, Date renderDate)
{
    Date day = event.occurrenceDate.value_or(event.startDate);
    if (isOnSameDay(day, renderDate))
        return localizedCapitalized(L10n::TimeFormat::today());
    if (isTomorrow(day, renderDate))
        return localizedCapitalized(L10n::TimeFormat::tomorrow());
    return DateFormatter::dateOnlyNoYearWeekDay().string(day);
}

/// The span within one day, else the start alone (a reminder, an event past midnight).
Text timeText(const Event& event)
{
    if (event.startDate != event.endDate && isOnSameDay(event.startDate, event.endDate))
        return Text(event.startDate, Text::DateStyle::time) + Text(LocalizedStringKey("–")) + Text(event.endDate, Text::DateStyle::time);
    return Text(event.startDate, Text::DateStyle::time);
}

View travelLine(const Event& event, bool isSmall)
{
    if (event.travelTime == 0 || !UserSettingsStore::shared().includeTravelTime())
        return EmptyView();
    auto duration = DateComponentsFormatter::durationFormatter().string(event.travelTime);
    if (!duration)
        return EmptyView();
    return HStack(VerticalAlignment::firstTextBaseline,
        {
            Image::systemName("car.fill").frame(14, 14),
            Text(isSmall ? *duration : L10n::General::travelTime(*duration)),
        });
}

View whenBlock(const Event& event, bool isSmall)
{
    // Outside the small family the label ends in ", " so that it reads on with the time.
    View label = RenderDateReader([event, isSmall](const EnvironmentValues&, Date renderDate) -> View {
        return Text(dayLabel(event, renderDate) + (isSmall ? "" : ", ")).bold().foregroundStyle(ShapeStyle::secondary());
    });
    return VStack(HorizontalAlignment::leading, 0,
        {
            ConditionalStack { !isSmall, HorizontalAlignment::leading, VerticalAlignment::center, 0, std::nullopt,
                {
                    label,
                    timeText(event).lineLimit(1).allowsTightening(true).minimumScaleFactor(0.5),
                } },
            travelLine(event, isSmall),
        });
}

View progressBlock(const Event& event, Date now, const Configuration& configuration)
{
    // Both ends count: a row drawn at the very start or end of its event shows its progress.
    if (!configuration.showsEventProgress || !event.isCurrentEvent(now))
        return EmptyView();
    return HStack(VerticalAlignment::center, 4,
        {
            ProgressView(event.eventProgress(now), 1.0).progressViewStyle(ProgressViewStyle::circular).frame(12).accessibilityHidden(true),
            Text(DateComponentsFormatter::timeRemainingFormatter().string(event.timeLeft(now)).value_or("")),
        })
        .padding(EdgeInsets { 4, 0, 2, 0 });
}

}

View EventDetailView::body(const EnvironmentValues& environment) const
{
    bool isSmall = environment.widgetFamily == WidgetFamily::systemSmall;
    bool isLarge = environment.widgetFamily == WidgetFamily::systemLarge;
    bool isInline = configuration.cameraButtonLocation == Configuration::CameraButtonLocation::inline_;
    bool isPending = isAlertDue(event, now);
    View cameraButton = CameraButton { event, now, isPending };
    View progress = progressBlock(event, now, configuration);

    return ZStack(Alignment::leading,
        {
            indicator(event).accessibilityHidden(true),
            HStack(VerticalAlignment::center, 4,
                {
                    VStack(HorizontalAlignment::leading, isLarge ? 4 : 0,
                        {
                            HStack({
                                Text(event.title.value_or(""))
                                    .bold()
                                    .truncationMode(TruncationMode::tail)
                                    .multilineTextAlignment(TextAlignment::leading)
                                    .lineLimit(configuration.titleLineLimit),
                                Spacer(0),
                            }),
                            HStack(isSmall ? VerticalAlignment::center : VerticalAlignment::lastTextBaseline,
                                {
                                    whenBlock(event, isSmall),
                                    isInline ? Spacer() : EmptyView(),
                                    isInline ? cameraButton : EmptyView(),
                                    isSmall ? EmptyView() : progress,
                                }),
                            isSmall ? progress : EmptyView(),
                        }),
                    isInline ? EmptyView() : cameraButton,
                })
                .padding(Edge::leading, 12)
                .padding(Edge::vertical, isLarge ? 4 : 2),
        })
        .padding(Edge::trailing, 4)
        .background(RoundedRectangle(Size { 3, 3 }, RoundedCornerStyle::continuous).fill(event.color.withAlphaComponent(0.3)))
        .font(Font::system(11));
}

}
