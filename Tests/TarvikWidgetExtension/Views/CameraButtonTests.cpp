// The join-call button in every state: colour and effect, the capsule's opacity, whether a
// click joins; and the alert settings a row reads to decide whether the alert is due.

#include "Tests/TarvikWidgetExtension/Views/ViewTestSupport.hpp"

#include "TVKCore/Settings/EventSettingsStore.hpp"
#include "TVKCore/Settings/UserSettingsStore.hpp"
#include "TarvikWidgetExtension/Views/CameraButton.hpp"
#include "TarvikWidgetExtension/Views/EventDetailView.hpp"

using namespace tvk;
using namespace tvk::test;
using Appearance = CameraButton::Appearance;

namespace {

const Event standup = meeting("Stand-up", "2026-12-07T10:00:00+01:00", "2026-12-07T10:15:00+01:00");
const Color controlText = Color::named(Color::System::controlText);

std::optional<Appearance> appearance(const char* now, bool isPending, const Event& event = standup)
{
    return CameraButton { event, at(now), isPending }.appearance();
}

std::vector<ui::LinkRegion> joinLinks(const CameraButton& button)
{
    return DrawnWidget(button, WidgetFamily::systemSmall, button.now).links();
}

}

TEST(CameraButton, EachStateHasItsColourEffectCapsuleAndClick)
{
    const Appearance inactive { controlText.withSystemEffect(Color::Effect::disabled), 0.3, false };
    EXPECT_EQ(appearance("2026-12-07T09:00:00+01:00", false), inactive) << "not yet started, not pending";
    EXPECT_EQ(appearance("2026-12-07T09:59:30+01:00", true), (Appearance { Color::named(Color::System::orange), 0.5, true }))
        << "pending before the start";
    for (auto now : { "2026-12-07T10:00:00+01:00", "2026-12-07T10:07:00+01:00", "2026-12-07T10:15:00+01:00" }) {
        EXPECT_EQ(appearance(now, false), (Appearance { Color::named(Color::System::green), 0.5, true })) << "running at " << now;
        EXPECT_EQ(appearance(now, true), (Appearance { Color::named(Color::System::green), 0.5, true })) << "running wins at " << now;
    }
    EXPECT_EQ(appearance("2026-12-07T10:15:01+01:00", false), inactive) << "ended, not pending";
    EXPECT_EQ(appearance("2026-12-07T10:15:01+01:00", true), (Appearance { Color::named(Color::System::orange), 0.5, true }));

    auto withoutLinks = standup;
    withoutLinks.videoConferenceLinks.clear();
    EXPECT_EQ(appearance("2026-12-07T10:05:00+01:00", true, withoutLinks), std::nullopt);
}

TEST(CameraButton, OnlyAnActiveButtonJoinsTheCallAndWithoutLinksNothingIsDrawn)
{
    auto running = joinLinks(CameraButton { standup, at("2026-12-07T10:05:00+01:00"), false });
    ASSERT_EQ(running.size(), 1u);
    EXPECT_EQ(running[0].url, "tarvik://joinCall/work:Stand-up");
    EXPECT_GT(running[0].frame.size.width, running[0].frame.size.height) << "the capsule, wider than high";
    EXPECT_EQ(joinLinks(CameraButton { standup, at("2026-12-07T09:59:30+01:00"), true }).size(), 1u);
    EXPECT_TRUE(joinLinks(CameraButton { standup, at("2026-12-07T09:00:00+01:00"), false }).empty());
    EXPECT_TRUE(joinLinks(CameraButton { standup, at("2026-12-07T10:16:00+01:00"), false }).empty());

    auto withoutLinks = standup;
    withoutLinks.videoConferenceLinks.clear();
    DrawnWidget drawn(CameraButton { withoutLinks, at("2026-12-07T10:05:00+01:00"), true }, WidgetFamily::systemSmall, standup.startDate);
    EXPECT_TRUE(drawn.layout().accessibilityElements().empty());
}

TEST(CameraButton, TheRowAsksTheAlertOffsetAndTheEventsOwnSettingsAtEachDrawing)
{
    auto joinable = [](Date now) {
        auto configuration = EventDetailView::Configuration::upcomingList(WidgetFamily::systemMedium);
        return !DrawnWidget(EventDetailView { standup, now, configuration }, WidgetFamily::systemMedium, now).links().empty();
    };
    Date fourMinutesBefore = standup.startDate - 240;
    ASSERT_TRUE(UserSettingsStore::shared().setTimeOffsetSeconds(60));
    EXPECT_FALSE(joinable(fourMinutesBefore));
    ASSERT_TRUE(UserSettingsStore::shared().setTimeOffsetSeconds(300));
    EXPECT_TRUE(joinable(fourMinutesBefore)) << "the alert of five minutes before is due";

    auto settings = EventSettings::defaultSettings(EventType::calendarEvent);
    settings.usesCustomTimeOffset = true;
    settings.timeOffsetSeconds = 120;
    ASSERT_TRUE(EventSettingsStore::shared().storeCustomSettings(settings, standup.id));
    EXPECT_FALSE(joinable(fourMinutesBefore)) << "the event's own two minutes";
    EXPECT_TRUE(joinable(standup.startDate - 90));
    settings.isExcluded = true;
    ASSERT_TRUE(EventSettingsStore::shared().storeCustomSettings(settings, standup.id));
    EXPECT_FALSE(joinable(standup.startDate - 90)) << "an excluded event's alert is never due";
    EXPECT_TRUE(joinable(standup.startDate + 60)) << "but its call can be joined while it runs";
}
