// Text set by Pango with the installed fonts: truncation, tightening, shrinking, digits.

#include "Tests/Platform/UI/UITestSupport.hpp"

#include "Platform/UI/PangoTextMeasurer.hpp"
#include "Platform/UI/UI.hpp"

#include <gtest/gtest.h>

#include <map>

using namespace tvk;
using namespace tvk::ui;

namespace {

const char* longTitle = "Architecture review of the calendar synchronisation and the notification pipeline";

std::shared_ptr<TextContent> content(
    const std::string& text, double size = 11, Font::Weight weight = Font::Weight::regular, bool digits = false)
{
    auto made = std::make_shared<TextContent>();
    made->language = "en_US";
    ResolvedTextStyle style;
    style.pointSize = size;
    style.weight = weight;
    style.hasMonospacedDigits = digits;
    made->runs.push_back({ text, style });
    return made;
}

TextMeasurement measure(std::shared_ptr<TextContent> text, std::optional<double> width, std::optional<int> lines = std::nullopt,
    TruncationMode mode = TruncationMode::tail, double tracking = 0)
{
    TextMeasureRequest request;
    request.content = std::move(text);
    request.width = width;
    request.maximumLines = lines;
    request.truncationMode = mode;
    request.tracking = tracking;
    return PangoTextMeasurer::forCurrentThread().measure(request);
}

/// Passes requests to Pango and remembers every answer.
class RecordingMeasurer : public TextMeasurer {
public:
    TextMeasurement measure(const TextMeasureRequest& request) override
    {
        auto measurement = PangoTextMeasurer::forCurrentThread().measure(request);
        ++calls[request.content->plainText()];
        answers.push_back({ request, measurement });
        return measurement;
    }
    /// The answer a laid-out text of `size` was drawn from.
    const TextMeasurement* answerOfSize(Size size) const
    {
        for (auto& [request, measurement] : answers) {
            if (std::abs(measurement.size.width - size.width) < 1e-9 && std::abs(measurement.size.height - size.height) < 1e-9)
                return &measurement;
        }
        return nullptr;
    }
    std::map<std::string, int> calls;
    std::vector<std::pair<TextMeasureRequest, TextMeasurement>> answers;
};

}

TEST(PangoText, ATitlePastItsTwoLinesEndsInAnEllipsis)
{
    auto title = content(longTitle, 11, Font::Weight::bold);
    auto oneLine = measure(title, std::nullopt);
    auto limited = measure(title, 120, 2);
    EXPECT_TRUE(limited.isTruncated);
    EXPECT_EQ(limited.lineCount, 2);
    EXPECT_LE(limited.size.width, 120);
    EXPECT_NEAR(limited.size.height, 2 * oneLine.size.height, 0.5);
    EXPECT_GT(limited.lastBaseline, limited.firstBaseline);
    auto unlimited = measure(title, 120);
    EXPECT_FALSE(unlimited.isTruncated);
    EXPECT_GT(unlimited.lineCount, 2);

    // Through layout: the row's title takes two lines of the width offered.
    RecordingMeasurer recorder;
    auto layout = ViewLayout::make(Text(longTitle).bold().font(Font::system(11)).lineLimit(2).accessibilityIdentifier("title"),
        { 120, 200 }, {}, { &recorder, Date(0) });
    auto frame = *layout.frame("title");
    EXPECT_LE(frame.size.width, 120);
    EXPECT_NEAR(frame.size.height, 2 * oneLine.size.height, 0.5);
    auto drawn = recorder.answerOfSize(frame.size);
    ASSERT_TRUE(drawn);
    EXPECT_TRUE(drawn->isTruncated);
    // Screen readers still get the whole title.
    EXPECT_EQ(layout.accessibilityTexts(), std::vector<std::string> { longTitle });
}

TEST(PangoText, TruncatesAtTheHeadMiddleOrTailAndAcrossLineBreaks)
{
    for (auto mode : { TruncationMode::head, TruncationMode::middle, TruncationMode::tail }) {
        auto measured = measure(content(longTitle), 100, 1, mode);
        EXPECT_TRUE(measured.isTruncated);
        EXPECT_EQ(measured.lineCount, 1);
        EXPECT_LE(measured.size.width, 100);
    }
    // The limit counts lines of the whole text, not of each paragraph.
    auto paragraphs = measure(content("First line\nSecond line\nThird line"), 300, 2);
    EXPECT_EQ(paragraphs.lineCount, 2);
    EXPECT_TRUE(paragraphs.isTruncated);
    auto unwrapped = measure(content("First line\nSecond line\nThird line"), std::nullopt, 1);
    EXPECT_EQ(unwrapped.lineCount, 1);
}

TEST(PangoText, TightensBeforeTruncatingWhenAllowed)
{
    auto natural = measure(content("Today, 10:00 AM–11:00 AM"), std::nullopt);
    double offered = natural.size.width * 0.98;
    auto tight = measure(content("Today, 10:00 AM–11:00 AM"), std::nullopt, 1, TruncationMode::tail, -0.05);
    EXPECT_LT(tight.size.width, offered);

    auto view = [](bool tightening) {
        return Text("Today, 10:00 AM–11:00 AM")
            .font(Font::system(11))
            .lineLimit(1)
            .allowsTightening(tightening)
            .accessibilityIdentifier("time");
    };
    for (bool tightening : { true, false }) {
        RecordingMeasurer recorder;
        auto layout = ViewLayout::make(view(tightening), { offered, 50 }, {}, { &recorder, Date(0) });
        auto frame = *layout.frame("time");
        auto drawn = recorder.answerOfSize(frame.size);
        ASSERT_TRUE(drawn);
        EXPECT_LE(frame.size.width, offered + 0.001);
        EXPECT_EQ(drawn->isTruncated, !tightening) << tightening;
        EXPECT_NEAR(frame.size.height, natural.size.height, 0.01);
    }
}

TEST(PangoText, ShrinksToTheMinimumScaleFactorBeforeTruncating)
{
    auto countdown = [](double minimum) {
        return Text("in 2 hours, 15 minutes")
            .font(Font::system(30))
            .lineLimit(1)
            .minimumScaleFactor(minimum)
            .accessibilityIdentifier("countdown");
    };
    auto full = measure(content("in 2 hours, 15 minutes", 30), std::nullopt);
    double offered = full.size.width * 0.7;
    RecordingMeasurer recorder;
    auto layout = ViewLayout::make(countdown(0.5), { offered, 100 }, {}, { &recorder, Date(0) });
    auto frame = *layout.frame("countdown");
    auto drawn = recorder.answerOfSize(frame.size);
    ASSERT_TRUE(drawn);
    EXPECT_FALSE(drawn->isTruncated);
    EXPECT_LE(frame.size.width, offered + 0.001);
    EXPECT_GT(frame.size.width, offered * 0.9);
    EXPECT_LT(frame.size.height, full.size.height * 0.8);
    EXPECT_GT(frame.size.height, full.size.height * 0.5);

    // Not allowed to shrink that far: truncated at the smallest size allowed.
    RecordingMeasurer stubborn;
    auto truncated = ViewLayout::make(countdown(0.9), { offered, 100 }, {}, { &stubborn, Date(0) });
    auto truncatedFrame = *truncated.frame("countdown");
    auto truncatedDrawn = stubborn.answerOfSize(truncatedFrame.size);
    ASSERT_TRUE(truncatedDrawn);
    EXPECT_TRUE(truncatedDrawn->isTruncated);
    EXPECT_NEAR(truncatedFrame.size.height, full.size.height * 0.9, 1.0);
}

TEST(PangoText, MonospacedDigitsAreAllOneWidth)
{
    auto ones = measure(content("1:11", 30, Font::Weight::regular, true), std::nullopt);
    auto zeros = measure(content("0:00", 30, Font::Weight::regular, true), std::nullopt);
    EXPECT_NEAR(ones.size.width, zeros.size.width, 0.01);
}

TEST(PangoText, EmptyAndOddTextsMeasureWithoutTrouble)
{
    auto empty = measure(content(""), 100, 2);
    EXPECT_EQ(empty.size.width, 0);
    EXPECT_FALSE(empty.isTruncated);
    auto invalid = measure(content(std::string("bad \xff\xfe utf-8")), 100, 1);
    EXPECT_GE(invalid.size.width, 0);
    auto zeroWidth = measure(content(longTitle), 0, 2);
    EXPECT_LE(zeroWidth.lineCount, 2);
    auto emoji = measure(content("🎉"), std::nullopt);
    EXPECT_GT(emoji.size.width, 5);
}

TEST(PangoText, LayingOutAListMeasuresEachTextAFewTimesAtMost)
{
    auto row = [](int index) {
        return HStack(VerticalAlignment::center, 4,
            {
                VStack(HorizontalAlignment::leading, 0,
                    {
                        HStack(
                            { Text("Event " + std::to_string(index) + ": a title long enough to be cut").bold().lineLimit(1), Spacer(0) }),
                        HStack({ Text("Today, ").bold(),
                            Text("9:00 AM–10:00 AM").lineLimit(1).allowsTightening(true).minimumScaleFactor(0.5) }),
                    }),
                Image::systemName("video.fill").padding(EdgeInsets { 3, 6, 3, 6 }).background(Capsule().fill(ShapeStyle::fill())),
            })
            .font(Font::system(11))
            .fixedSize(Axis::vertical);
    };
    std::vector<View> candidates;
    for (int count = 6; count >= 1; --count) {
        std::vector<View> rows;
        for (int index = 0; index < count; ++index)
            rows.push_back(row(index));
        rows.push_back(Spacer(0));
        candidates.push_back(VStack(HorizontalAlignment::leading, 3, rows));
    }
    RecordingMeasurer recorder;
    (void)ViewLayout::make(VStack({ ViewThatFits(Axis::vertical, candidates) }), { 170, 140 }, {}, { &recorder, Date(0) });
    ASSERT_FALSE(recorder.calls.empty());
    for (const auto& [text, calls] : recorder.calls)
        EXPECT_LE(calls, 12) << text;
}
