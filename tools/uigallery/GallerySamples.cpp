#include "tools/uigallery/GallerySamples.hpp"

#include "Platform/UI/StringTableLocalizer.hpp"

#include <algorithm>
#include <memory>

namespace tvk::uigallery {

using namespace tvk::ui;

namespace {

enum class SampleKind { calendarEvent, ownReminder, calendarReminder };

struct SampleEvent {
    std::string id;
    std::string title;
    Date start;
    Date end;
    Color color;
    SampleKind kind = SampleKind::calendarEvent;
    bool hasCall = true;
    bool isPending = false;
    double travelMinutes = 0;
};

constexpr double minute = 60;

Color hex(const char* text)
{
    return Color::fromHex(text).value_or(Color::named(Color::System::blue));
}

std::vector<SampleEvent> sampleEvents()
{
    Date now = galleryNow();
    return {
        { "standup", "Daily stand-up", now - 10 * minute, now + 5 * minute, hex("#1BADF8") },
        { "review", "Design review: widget typography and colour", now + 20 * minute, now + 80 * minute, hex("#63DA38"),
            SampleKind::calendarEvent, true, true, 15 },
        { "dentist", "Call the dentist", now + 95 * minute, now + 95 * minute, hex("#FF9500"), SampleKind::ownReminder, false },
        { "planning", "Quarterly planning with the whole product organisation 🎯", now + 150 * minute, now + 210 * minute, hex("#CC73E1") },
        { "invoices", "Send invoices", now + 240 * minute, now + 240 * minute, hex("#FF2968"), SampleKind::calendarReminder, false },
        { "one-on-one", "1:1 with Priya", now + 26 * 60 * minute, now + 26.5 * 60 * minute, hex("#A2845E"), SampleKind::calendarEvent, true,
            false, 25 },
    };
}

/// The join button: a symbol in a gray capsule, clickable while the call can be joined.
struct SampleCameraButton {
    SampleEvent event;
    Date now;

    View body() const
    {
        if (!event.hasCall)
            return EmptyView();
        bool running = !(now < event.start) && !(event.end < now);
        bool active = running || event.isPending;
        Color base = running  ? Color::named(Color::System::green)
            : event.isPending ? Color::named(Color::System::orange)
                              : Color::named(Color::System::controlText);
        View icon = Image::systemName("video.fill")
                        .foregroundStyle(base.withSystemEffect(active ? Color::Effect::none : Color::Effect::disabled))
                        .padding(EdgeInsets { 3, 6, 3, 6 })
                        .background(Capsule().fill(Color::named(Color::System::gray).withAlphaComponent(active ? 0.5 : 0.3)));
        if (!active)
            return icon;
        return Link("tarvik://joinCall?id=" + event.id, icon);
    }
};

/// An event row: the calendar-colour indicator, the title, day and time, travel time, the
/// progress of a running event, and the join button.
struct SampleEventRow {
    SampleEvent event;
    Date now;
    int titleLineLimit = 1;
    bool buttonInline = false;
    bool showsProgress = false;

    View indicator() const
    {
        switch (event.kind) {
        case SampleKind::calendarEvent: return RoundedRectangle(Size { 2, 2 }, RoundedCornerStyle::circular).fill(event.color).frame(3);
        case SampleKind::ownReminder:
            return VStack({
                Image::systemName("alarm.fill")
                    .resizable()
                    .aspectRatio(ContentMode::fit)
                    .frame(10)
                    .foregroundStyle(event.color)
                    .padding(Edge::top, 4),
                Spacer(),
            });
        case SampleKind::calendarReminder:
            return VStack({
                Image::systemName("circle")
                    .resizable()
                    .aspectRatio(ContentMode::fit)
                    .frame(10)
                    .bold()
                    .foregroundStyle(event.color)
                    .padding(Edge::top, 5),
                Spacer(),
            });
        }
        return EmptyView();
    }

    View progress(const EnvironmentValues& environment) const
    {
        bool running = !(now < event.start) && !(event.end < now);
        if (!showsProgress || !running)
            return EmptyView();
        double fraction = (now - event.start) / std::max(1.0, event.end - event.start);
        int left = static_cast<int>((event.end - now) / minute);
        (void)environment;
        return HStack(VerticalAlignment::center, 4,
            {
                ProgressView(fraction, 1.0).progressViewStyle(ProgressViewStyle::circular).frame(12).accessibilityHidden(true),
                Text(std::to_string(left) + " min left"),
            })
            .padding(EdgeInsets { 4, 0, 2, 0 });
    }

    View whenBlock(const EnvironmentValues& environment) const
    {
        bool small = environment.widgetFamily == WidgetFamily::systemSmall;
        Text time = event.start != event.end
            ? Text(event.start, Text::DateStyle::time) + Text(LocalizedStringKey("–")) + Text(event.end, Text::DateStyle::time)
            : Text(event.start, Text::DateStyle::time);
        bool today = event.start - now < 14 * 60 * minute;
        std::string day = today ? "Today" : "Tomorrow";
        AnyLayout layout = small ? AnyLayout(VStackLayout { HorizontalAlignment::leading, std::nullopt })
                                 : AnyLayout(HStackLayout { VerticalAlignment::center, 0 });
        View travel = EmptyView();
        if (event.travelMinutes > 0) {
            std::string duration = std::to_string(static_cast<int>(event.travelMinutes)) + " min";
            travel = HStack(VerticalAlignment::firstTextBaseline,
                {
                    Image::systemName("car.fill").frame(14, 14),
                    Text(small ? duration : duration + " travel time"),
                });
        }
        return VStack(HorizontalAlignment::leading, 0,
            {
                layout({
                    Text(small ? day : day + ", ").bold().foregroundStyle(ShapeStyle::secondary()),
                    time.lineLimit(1).allowsTightening(true).minimumScaleFactor(0.5),
                }),
                travel,
            });
    }

    View body(const EnvironmentValues& environment) const
    {
        bool small = environment.widgetFamily == WidgetFamily::systemSmall;
        bool large = environment.widgetFamily == WidgetFamily::systemLarge;
        View button = SampleCameraButton { event, now };
        return ZStack(Alignment::leading,
            {
                indicator().accessibilityHidden(true),
                HStack(VerticalAlignment::center, 4,
                    {
                        VStack(HorizontalAlignment::leading, large ? 4 : 0,
                            {
                                HStack({
                                    Text(event.title)
                                        .bold()
                                        .truncationMode(TruncationMode::tail)
                                        .multilineTextAlignment(TextAlignment::leading)
                                        .lineLimit(titleLineLimit),
                                    Spacer(0),
                                }),
                                HStack(small ? VerticalAlignment::center : VerticalAlignment::lastTextBaseline,
                                    {
                                        whenBlock(environment),
                                        buttonInline ? Spacer() : EmptyView(),
                                        buttonInline ? button : EmptyView(),
                                        small ? EmptyView() : progress(environment),
                                    }),
                                small ? progress(environment) : EmptyView(),
                            }),
                        buttonInline ? EmptyView() : button,
                    })
                    .padding(Edge::leading, 12)
                    .padding(Edge::vertical, large ? 4 : 2),
            })
            .padding(Edge::trailing, 4)
            .background(RoundedRectangle(Size { 3, 3 }, RoundedCornerStyle::continuous).fill(event.color.withAlphaComponent(0.3)))
            .font(Font::system(11));
    }
};

View header(std::string text)
{
    return Text(LocalizedStringKey(std::move(text)))
        .textCase(TextCase::uppercase)
        .font(Font::system(10))
        .bold()
        .foregroundStyle(ShapeStyle::secondary());
}

View listTree(int count, bool current)
{
    auto events = sampleEvents();
    return EnvironmentReader([events, count, current](const EnvironmentValues& environment) -> View {
        bool small = environment.widgetFamily == WidgetFamily::systemSmall;
        bool large = environment.widgetFamily == WidgetFamily::systemLarge;
        int available = std::min<int>(count, static_cast<int>(events.size()));
        std::vector<View> candidates;
        for (int shown = std::min(available, current ? 3 : 6); shown >= 1; --shown) {
            std::vector<SampleEvent> prefix(events.begin(), events.begin() + shown);
            std::vector<View> rows;
            rows.push_back(ForEach(
                prefix, [](const SampleEvent& event) { return event.id + "." + galleryNow().secondsDescription(); },
                [&](const SampleEvent& event) {
                    return Link("tarvik://preview?id=" + event.id,
                        View(SampleEventRow { event, galleryNow(), small ? 2 : 1, small, current }).fixedSize(Axis::vertical));
                }));
            int remaining = available - shown;
            if (current && remaining >= 1)
                rows.push_back(Text(LocalizedStringKey("^[%lld more events](inflect: true)", { static_cast<std::int64_t>(remaining) }))
                                   .font(Font::caption)
                                   .foregroundStyle(ShapeStyle::secondary()));
            rows.push_back(Spacer(0));
            candidates.push_back(VStack(HorizontalAlignment::leading, large ? 6 : 3, rows));
        }
        return VStack(HorizontalAlignment::leading, large ? 10 : 5,
            {
                header(current ? "Current events" : "Next events"),
                VStack({ ViewThatFits(Axis::vertical, candidates) })
                    .frame(FlexibleFrame { .maxWidth = infinity, .maxHeight = infinity, .alignment = Alignment::leading }),
            })
            .frame(FlexibleFrame { .maxWidth = infinity, .maxHeight = infinity, .alignment = Alignment::leading });
    });
}

View stacksSample()
{
    auto swatch = [](Color color, double width, double height) { return RoundedRectangle(4).fill(color).frame(width, height); };
    return VStack(HorizontalAlignment::leading, 8,
        {
            header("Stacks and spacers"),
            HStack({
                Text("Leading").padding(EdgeInsets { 2, 8, 2, 8 }).background(Capsule().fill(ShapeStyle::fill())),
                Spacer(),
                Text("Trailing").padding(EdgeInsets { 2, 8, 2, 8 }).background(Capsule().fill(ShapeStyle::fill())),
            }),
            HStack(VerticalAlignment::bottom, 6,
                {
                    swatch(Color::named(Color::System::red), 24, 12),
                    swatch(Color::named(Color::System::orange), 24, 20),
                    swatch(Color::named(Color::System::yellow), 24, 28),
                    swatch(Color::named(Color::System::green), 24, 20),
                    swatch(Color::named(Color::System::blue), 24, 12),
                    Spacer(12),
                    HStack(VerticalAlignment::lastTextBaseline, 4,
                        {
                            Text("42").font(Font::system(30, Font::Weight::semibold)).monospacedDigit(),
                            Text("min").foregroundStyle(ShapeStyle::secondary()),
                        }),
                }),
            ZStack(Alignment::bottomTrailing,
                {
                    RoundedRectangle(8, RoundedCornerStyle::continuous)
                        .fill(Color::named(Color::System::purple).withAlphaComponent(0.25))
                        .frame(FlexibleFrame { .maxWidth = infinity })
                        .frame(std::nullopt, 36),
                    Text("ZStack, bottom trailing").font(Font::caption).padding(6),
                }),
        });
}

View truncationSample()
{
    std::string title = "Architecture review of the calendar synchronisation and the notification pipeline";
    return VStack(HorizontalAlignment::leading, 6,
        {
            header("Truncation"),
            Text(title).bold().lineLimit(1),
            Text(title).lineLimit(2),
            Text(title).lineLimit(1).truncationMode(TruncationMode::middle).foregroundStyle(ShapeStyle::secondary()),
            Text("in 2 hours, 15 minutes")
                .font(Font::system(30))
                .foregroundStyle(Color::named(Color::System::orange))
                .allowsTightening(true)
                .minimumScaleFactor(0.5)
                .lineLimit(1),
            Text("Team lunch 🍜 and retro 🎉").lineLimit(1),
        })
        .font(Font::system(12));
}

View rowsSample()
{
    auto events = sampleEvents();
    Date now = galleryNow();
    return VStack(HorizontalAlignment::leading, 6,
        {
            header("Rows"),
            View(SampleEventRow { events[0], now, 1, false, true }).fixedSize(Axis::vertical),
            View(SampleEventRow { events[1], now, 1, false, false }).fixedSize(Axis::vertical),
            View(SampleEventRow { events[2], now, 1, false, false }).fixedSize(Axis::vertical),
            View(SampleEventRow { events[5], now, 1, false, false }).fixedSize(Axis::vertical),
            Spacer(0),
        });
}

View countdownSample()
{
    auto events = sampleEvents();
    Date now = galleryNow();
    SampleEvent next = events[1];
    next.start = now + 4 * minute + 59;
    return Link("tarvik://preview?id=" + next.id,
        VStack(HorizontalAlignment::leading,
            {
                header("Next event in"),
                Text(next.start, Text::DateStyle::timer)
                    .foregroundStyle(Color::named(Color::System::orange))
                    .font(Font::system(30))
                    .allowsTightening(true)
                    .minimumScaleFactor(0.5)
                    .monospacedDigit(),
                View(SampleEventRow { next, now, 2, false, false }).fixedSize(Axis::vertical),
            }));
}

View noEventsSample()
{
    return VStack(HorizontalAlignment::center, 10,
        {
            Image("noevents").resizable().aspectRatio(ContentMode::fit).frame(std::nullopt, 50).opacity(0.9),
            Text(LocalizedStringKey("No upcoming events"))
                .multilineTextAlignment(TextAlignment::center)
                .font(Font::system(12))
                .foregroundStyle(ShapeStyle::secondary()),
        });
}

View symbolsSample()
{
    std::vector<View> symbols;
    for (const auto* name : { "video.fill", "car.fill", "alarm.fill", "circle", "circle.fill", "calendar", "bell.fill", "person.fill" })
        symbols.push_back(Image::systemName(name));
    return VStack(HorizontalAlignment::leading, 8,
        {
            header("Symbols"),
            HStack(VerticalAlignment::center, 10, symbols).font(Font::system(13)),
            HStack(VerticalAlignment::firstTextBaseline, 4, { Image::systemName("car.fill"), Text("25 min travel time") })
                .font(Font::system(11)),
            HStack(VerticalAlignment::center, 6,
                {
                    Image::systemName("video.fill")
                        .foregroundStyle(Color::named(Color::System::green))
                        .padding(EdgeInsets { 3, 6, 3, 6 })
                        .background(Capsule().fill(Color::named(Color::System::gray).withAlphaComponent(0.5))),
                    Image::systemName("video.fill")
                        .foregroundStyle(Color::named(Color::System::orange))
                        .padding(EdgeInsets { 3, 6, 3, 6 })
                        .background(Capsule().fill(Color::named(Color::System::gray).withAlphaComponent(0.5))),
                    Image::systemName("video.fill")
                        .foregroundStyle(Color::named(Color::System::controlText).withSystemEffect(Color::Effect::disabled))
                        .padding(EdgeInsets { 3, 6, 3, 6 })
                        .background(Capsule().fill(Color::named(Color::System::gray).withAlphaComponent(0.3))),
                    ProgressView(0.4, 1.0).progressViewStyle(ProgressViewStyle::circular).frame(12),
                    ProgressView(0.4, 1.0).frame(60),
                })
                .font(Font::system(11)),
        });
}

}

Date galleryNow()
{
    // 2026-12-07 09:30 in Berlin (UTC+1).
    return Date(1796632200.0);
}

/// The gallery's string table (the count line's plural forms), in English as its locale is.
std::shared_ptr<const ResourceBundle> galleryStrings()
{
    static const std::shared_ptr<const ResourceBundle> strings = [] {
        std::shared_ptr<ResourceBundle> bundle(ResourceBundle::open(TVK_UIGALLERY_STRINGS));
        if (bundle)
            bundle->setPreferredLanguages(std::vector<std::string> { "en" });
        return bundle;
    }();
    return strings;
}

EnvironmentValues galleryEnvironment(WidgetFamily family, ColorScheme scheme)
{
    EnvironmentValues environment;
    environment.widgetFamily = family;
    environment.colorScheme = scheme;
    environment.locale = "en_US";
    environment.timeZone = "Europe/Berlin";
    environment.localize = StringTableLocalizer(galleryStrings());
    return environment;
}

View widgetContainer(const View& content)
{
    return ZStack({
        RoundedRectangle(20, RoundedCornerStyle::continuous).fill(ShapeStyle::background()),
        content.padding(14).frame(FlexibleFrame { .maxWidth = infinity, .maxHeight = infinity }),
    });
}

View sampleList(int count)
{
    return listTree(count, false);
}

std::vector<GallerySample> gallerySamples()
{
    return {
        { "stacks", WidgetFamily::systemMedium, stacksSample() },
        { "truncation", WidgetFamily::systemSmall, truncationSample() },
        { "rows", WidgetFamily::systemLarge, rowsSample() },
        { "countdown-small", WidgetFamily::systemSmall, countdownSample() },
        { "countdown-medium", WidgetFamily::systemMedium, countdownSample() },
        { "list-large", WidgetFamily::systemLarge, listTree(6, false) },
        { "list-medium", WidgetFamily::systemMedium, listTree(6, false) },
        { "list-small", WidgetFamily::systemSmall, listTree(6, false) },
        { "current-medium", WidgetFamily::systemMedium, listTree(6, true) },
        { "current-large", WidgetFamily::systemLarge, listTree(4, true) },
        { "noevents", WidgetFamily::systemSmall, noEventsSample() },
        { "symbols", WidgetFamily::systemMedium, symbolsSample() },
    };
}

}
