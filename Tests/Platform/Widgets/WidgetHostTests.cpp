// The host's bookkeeping without a display: which entry each placed widget shows at which
// moment, when it asks its provider again, and when it asks to be drawn. The clock is pinned
// and moved by hand; the host's timers follow it once the main queue runs, so every step is
// "move the clock, drain the main queue, look".

#include "Platform/Runtime/DispatchQueue.hpp"
#include "Platform/Runtime/ProcessClock.hpp"
#include "Platform/UI/Text.hpp"
#include "Platform/Widgets/WidgetHost.hpp"

#include <gtest/gtest.h>

#include <deque>

using namespace tvk;
using namespace tvk::widgets;

namespace {

struct TickEntry {
    Date date;
    int count = 0;
};
void to_json(nlohmann::json& json, const TickEntry& entry)
{
    json = entry.count;
}
std::string summaryLine(const TickEntry& entry)
{
    return std::to_string(entry.count);
}

/// Answers each request with the next scripted timeline (the last one again once the script
/// runs out), at once or only when the test releases the answer.
struct Script {
    std::deque<Timeline<TickEntry>> timelines;
    Timeline<TickEntry> last;
    int asked = 0;
    bool holdAnswers = false;
    std::vector<std::function<void()>> held;

    void releaseHeld()
    {
        auto answers = std::move(held);
        held.clear();
        for (auto& answer : answers)
            answer();
    }
};

struct ScriptedProvider {
    using Entry = TickEntry;
    std::shared_ptr<Script> script;

    TickEntry placeholder(const TimelineProviderContext&) const { return { Date::now(), 0 }; }
    void getSnapshot(const TimelineProviderContext&, std::function<void(TickEntry)> completion) const { completion({ Date::now(), -1 }); }
    void getTimeline(const TimelineProviderContext&, std::function<void(Timeline<TickEntry>)> completion) const
    {
        ++script->asked;
        if (!script->timelines.empty()) {
            script->last = script->timelines.front();
            script->timelines.pop_front();
        }
        auto answer = [completion, timeline = script->last] { completion(timeline); };
        if (script->holdAnswers)
            script->held.push_back(answer);
        else
            answer();
    }
};

Timeline<TickEntry> timeline(std::vector<std::pair<double, int>> entries, TimelineReloadPolicy policy)
{
    Timeline<TickEntry> result { {}, policy };
    for (auto [date, count] : entries)
        result.entries.push_back({ Date(date), count });
    return result;
}

WidgetConfiguration scriptedWidget(std::string kind, std::shared_ptr<Script> script)
{
    return StaticConfiguration(std::move(kind), ScriptedProvider { std::move(script) },
        [](const TickEntry& entry) { return ui::Text("count " + std::to_string(entry.count)); })
        .supportedFamilies({ WidgetFamily::systemSmall, WidgetFamily::systemMedium });
}

class WidgetHostTest : public testing::Test {
protected:
    void SetUp() override { ProcessClock::pin(Date(1000)); }
    void TearDown() override { ProcessClock::unpin(); }

    /// A host over one scripted widget "A" (and "B", which the tests reload beside it).
    std::unique_ptr<WidgetHost> makeHost(std::vector<WidgetPlacement> placements = { { "A", WidgetFamily::systemSmall } })
    {
        auto host = std::make_unique<WidgetHost>(std::vector { scriptedWidget("A", a), scriptedWidget("B", b) }, center);
        host->setRedrawHandler([this](size_t index) { redraws.push_back(index); });
        host->setPlacements(placements);
        return host;
    }

    static int shownCount(const WidgetHost& host, size_t index = 0) { return host.shownEntry(index).get<TickEntry>()->count; }

    void moveClockTo(double seconds)
    {
        ProcessClock::pin(Date(seconds));
        DispatchQueue::main().drainUntilIdle();
    }

    WidgetCenter center;
    std::shared_ptr<Script> a = std::make_shared<Script>();
    std::shared_ptr<Script> b = std::make_shared<Script>();
    std::vector<size_t> redraws;
};

}

TEST_F(WidgetHostTest, ShowsThePlaceholderUntilTheTimelineArrivesThenEachEntryFromItsDate)
{
    a->timelines = { timeline({ { 1000, 1 }, { 1300, 2 }, { 1600, 3 } }, TimelineReloadPolicy::never()) };
    auto host = makeHost();
    EXPECT_EQ(a->asked, 1);
    EXPECT_EQ(shownCount(*host), 0) << "the placeholder, until the answer is taken on the main queue";
    DispatchQueue::main().drainUntilIdle();
    EXPECT_EQ(shownCount(*host), 1);
    EXPECT_EQ(host->nextWakeDate(), Date(1300));

    moveClockTo(1299);
    EXPECT_EQ(shownCount(*host), 1);
    redraws.clear();
    moveClockTo(1300);
    EXPECT_EQ(shownCount(*host), 2);
    EXPECT_EQ(redraws, std::vector<size_t> { 0 });
    moveClockTo(1700);
    EXPECT_EQ(shownCount(*host), 3);
    EXPECT_EQ(host->nextWakeDate(), std::nullopt) << "a never policy and no entry ahead: nothing wakes the host";
    EXPECT_EQ(a->asked, 1);
}

TEST_F(WidgetHostTest, AWakeUpAfterASuspendThatSkippedSeveralEntriesShowsTheLastOneDue)
{
    a->timelines = { timeline({ { 1000, 1 }, { 1100, 2 }, { 1200, 3 }, { 1300, 4 }, { 1400, 5 } }, TimelineReloadPolicy::after(Date(5000))) };
    auto host = makeHost();
    DispatchQueue::main().drainUntilIdle();
    redraws.clear();
    moveClockTo(1350);
    EXPECT_EQ(shownCount(*host), 4);
    EXPECT_EQ(redraws.size(), 1u) << "one redraw for the jump, not one per skipped entry";
    EXPECT_EQ(host->nextWakeDate(), Date(1400));
}

TEST_F(WidgetHostTest, EntriesAheadOfTheClockShowTheFirstAndTheDrawingIsForItsDate)
{
    a->timelines = { timeline({ { 1200, 1 }, { 1300, 2 } }, TimelineReloadPolicy::never()) };
    auto host = makeHost();
    DispatchQueue::main().drainUntilIdle();
    EXPECT_EQ(shownCount(*host), 1);
    EXPECT_EQ(host->renderDate(0), Date(1200));
    moveClockTo(1250);
    EXPECT_EQ(host->renderDate(0), Date(1250));
}

TEST_F(WidgetHostTest, AsksAgainAtThePolicyDateAndShowsTheNewTimeline)
{
    a->timelines = { timeline({ { 1000, 1 } }, TimelineReloadPolicy::after(Date(1060))),
        timeline({ { 1060, 7 } }, TimelineReloadPolicy::after(Date(1120))) };
    auto host = makeHost();
    DispatchQueue::main().drainUntilIdle();
    EXPECT_EQ(host->nextWakeDate(), Date(1060));
    moveClockTo(1059);
    EXPECT_EQ(a->asked, 1);
    moveClockTo(1060);
    EXPECT_EQ(a->asked, 2);
    EXPECT_EQ(shownCount(*host), 7);
    EXPECT_EQ(host->nextWakeDate(), Date(1120));
}

TEST_F(WidgetHostTest, AnAtEndPolicyAsksAgainAtTheLastEntry)
{
    a->timelines = { timeline({ { 1000, 1 }, { 1500, 2 } }, TimelineReloadPolicy::atEnd()) };
    auto host = makeHost();
    DispatchQueue::main().drainUntilIdle();
    moveClockTo(1500);
    EXPECT_EQ(a->asked, 2);
}

TEST_F(WidgetHostTest, APolicyInThePastDoesNotMakeTheHostAskInALoop)
{
    a->timelines = { timeline({ { 900, 1 } }, TimelineReloadPolicy::after(Date(900))) };
    auto host = makeHost();
    DispatchQueue::main().drainUntilIdle();
    EXPECT_EQ(a->asked, 1);
    EXPECT_EQ(host->nextWakeDate(), Date(1000 + WidgetHost::minimumPolicyInterval));
    moveClockTo(1000 + WidgetHost::minimumPolicyInterval);
    EXPECT_EQ(a->asked, 2);
}

TEST_F(WidgetHostTest, AReloadOfItsKindAsksAtOnceAndOtherKindsAreLeftAlone)
{
    a->timelines = { timeline({ { 1000, 1 } }, TimelineReloadPolicy::after(Date(2000))), timeline({ { 1000, 2 } }, TimelineReloadPolicy::after(Date(2000))) };
    b->last = timeline({ { 1000, 5 } }, TimelineReloadPolicy::never());
    auto host = makeHost({ { "A", WidgetFamily::systemSmall }, { "B", WidgetFamily::systemMedium } });
    DispatchQueue::main().drainUntilIdle();
    ASSERT_EQ(a->asked, 1);
    ASSERT_EQ(b->asked, 1);
    redraws.clear();

    center.reloadTimelines("A");
    DispatchQueue::main().drainUntilIdle();
    EXPECT_EQ(a->asked, 2) << "without the clock moving";
    EXPECT_EQ(b->asked, 1);
    EXPECT_EQ(shownCount(*host, 0), 2);
    EXPECT_EQ(redraws, std::vector<size_t> { 0 });

    center.reloadAllTimelines();
    DispatchQueue::main().drainUntilIdle();
    EXPECT_EQ(a->asked, 3);
    EXPECT_EQ(b->asked, 2);
}

TEST_F(WidgetHostTest, AReloadWhileAnAnswerIsOutIsMadeOnceTheAnswerHasCome)
{
    a->holdAnswers = true;
    a->timelines = { timeline({ { 1000, 1 } }, TimelineReloadPolicy::never()), timeline({ { 1000, 2 } }, TimelineReloadPolicy::never()) };
    auto host = makeHost();
    center.reloadTimelines("A");
    center.reloadTimelines("A");
    DispatchQueue::main().drainUntilIdle();
    EXPECT_EQ(a->asked, 1) << "one request out at a time";
    a->releaseHeld();
    DispatchQueue::main().drainUntilIdle();
    EXPECT_EQ(shownCount(*host), 1);
    EXPECT_EQ(a->asked, 2) << "the reloads asked for meanwhile, as one";
    a->releaseHeld();
    DispatchQueue::main().drainUntilIdle();
    EXPECT_EQ(shownCount(*host), 2);
    EXPECT_EQ(a->asked, 2);
}

TEST_F(WidgetHostTest, AnAnswerFromAnotherThreadIsTakenOnTheMainQueue)
{
    a->holdAnswers = true;
    a->timelines = { timeline({ { 1000, 4 } }, TimelineReloadPolicy::never()) };
    auto host = makeHost();
    std::thread answering([this] { a->releaseHeld(); });
    answering.join();
    EXPECT_EQ(shownCount(*host), 0);
    DispatchQueue::main().drainUntilIdle();
    EXPECT_EQ(shownCount(*host), 4);
}

TEST_F(WidgetHostTest, AnEmptyTimelineShowsThePlaceholderAsOfItsArrival)
{
    a->timelines = { timeline({ { 1000, 3 } }, TimelineReloadPolicy::never()), timeline({}, TimelineReloadPolicy::never()) };
    auto host = makeHost();
    DispatchQueue::main().drainUntilIdle();
    ProcessClock::pin(Date(1234));
    center.reloadTimelines("A");
    DispatchQueue::main().drainUntilIdle();
    EXPECT_EQ(shownCount(*host), 0);
    EXPECT_EQ(host->shownEntry(0).date(), Date(1234));
}

TEST_F(WidgetHostTest, AHiddenHostDrawsNothingAndRedrawsEverythingWhenShownAgain)
{
    a->timelines = { timeline({ { 1000, 1 }, { 1100, 2 } }, TimelineReloadPolicy::never()) };
    b->last = timeline({ { 1000, 5 } }, TimelineReloadPolicy::never());
    auto host = makeHost({ { "A", WidgetFamily::systemSmall }, { "B", WidgetFamily::systemSmall } });
    DispatchQueue::main().drainUntilIdle();
    host->setShowsTimer(1, true);
    EXPECT_TRUE(host->isTicking());

    host->setVisible(false);
    redraws.clear();
    EXPECT_FALSE(host->isTicking()) << "no second timer while nothing can be seen";
    moveClockTo(1100);
    center.reloadAllTimelines();
    DispatchQueue::main().drainUntilIdle();
    EXPECT_TRUE(redraws.empty());
    EXPECT_EQ(shownCount(*host), 2) << "the timeline is kept current meanwhile";

    host->setVisible(true);
    EXPECT_EQ(redraws, (std::vector<size_t> { 0, 1 }));
    EXPECT_TRUE(host->isTicking());
    host->setShowsTimer(1, false);
    EXPECT_FALSE(host->isTicking());
}

TEST_F(WidgetHostTest, PlacementsOfUnknownKindsOrUnsupportedFamiliesAreLeftOut)
{
    auto host = makeHost({ { "A", WidgetFamily::systemLarge }, { "nothing", WidgetFamily::systemSmall }, { "B", WidgetFamily::systemMedium } });
    EXPECT_EQ(host->placements(), (std::vector<WidgetPlacement> { { "B", WidgetFamily::systemMedium } }));
    EXPECT_EQ(a->asked, 0);
}

TEST_F(WidgetHostTest, AnAnswerForAWidgetRemovedMeanwhileIsDropped)
{
    a->holdAnswers = true;
    a->last = timeline({ { 1000, 9 } }, TimelineReloadPolicy::never());
    b->last = timeline({ { 1000, 5 } }, TimelineReloadPolicy::never());
    auto host = makeHost();
    host->setPlacements({ { "B", WidgetFamily::systemSmall } });
    a->releaseHeld();
    DispatchQueue::main().drainUntilIdle();
    ASSERT_EQ(host->count(), 1u);
    EXPECT_EQ(shownCount(*host), 5);
}

TEST(WidgetPlacement, RoundTripsThroughThePropertyListAndSkipsSpoiledItems)
{
    std::vector<WidgetPlacement> placements { { "A", WidgetFamily::systemSmall }, { "B", WidgetFamily::systemLarge } };
    EXPECT_EQ(WidgetPlacement::fromPropertyList(WidgetPlacement::propertyList(placements)), placements);

    PropertyList::Array spoiled { PropertyList::Dictionary { { "kind", "A" }, { "family", "huge" } }, PropertyList("B"),
        PropertyList::Dictionary { { "family", "small" } }, PropertyList::Dictionary { { "kind", "C" }, { "family", "medium" } } };
    EXPECT_EQ(WidgetPlacement::fromPropertyList(spoiled), (std::vector<WidgetPlacement> { { "C", WidgetFamily::systemMedium } }));
    EXPECT_EQ(WidgetPlacement::fromPropertyList(PropertyList("A")), std::nullopt);
}
