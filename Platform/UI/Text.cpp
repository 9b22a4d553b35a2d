#include "Platform/UI/Text.hpp"

#include "Platform/UI/DateTextFormatter.hpp"
#include "Platform/UI/Layout/PangoSupport.hpp"
#include "Platform/UI/Layout/TextLayout.hpp"
#include "Platform/UI/Layout/ViewNode.hpp"

namespace tvk::ui {

std::string TextContent::plainText() const
{
    std::string text;
    for (const auto& run : runs)
        text += run.text;
    return text;
}

std::string TextContent::identity() const
{
    // Binary and compact: it is built for every text of every layout.
    std::string identity = language;
    auto append = [&identity](const auto& value) { identity.append(reinterpret_cast<const char*>(&value), sizeof value); };
    for (const auto& run : runs) {
        const auto& style = run.style;
        identity += '\x1f';
        append(style.pointSize);
        append(style.weight);
        append(style.design);
        append(style.isItalic);
        append(style.hasMonospacedDigits);
        append(style.color);
        append(run.text.size());
        identity += run.text;
    }
    return identity;
}

std::string measurementKey(const TextMeasureRequest& request, const std::string& contentIdentity)
{
    // Binary: formatting doubles as text took a good part of a layout.
    std::string key;
    key.reserve(contentIdentity.size() + 40);
    key = contentIdentity;
    auto append = [&key](const auto& value) { key.append(reinterpret_cast<const char*>(&value), sizeof value); };
    append(request.width.value_or(-1.0));
    append(request.maximumLines.value_or(-1));
    append(request.truncationMode);
    append(request.alignment);
    append(request.scale);
    append(request.tracking);
    return key;
}

namespace {

class TextViewNode final : public ViewNode {
public:
    explicit TextViewNode(std::vector<Text::Segment> segments)
        : m_segments(std::move(segments))
    {
    }
    const std::vector<Text::Segment>& segments() const { return m_segments; }

    void resolve(const EnvironmentValues& environment, detail::ResolveContext& context, detail::LayoutNodes& output) const override
    {
        auto content = std::make_shared<TextContent>();
        content->language = environment.locale;
        for (const auto& segment : m_segments) {
            TextRun run;
            run.text = detail::validUTF8(resolveString(segment, environment, context));
            if (environment.textCase == TextCase::uppercase)
                run.text = DateTextFormatter::uppercased(run.text, environment.locale);
            else if (environment.textCase == TextCase::lowercase)
                run.text = DateTextFormatter::lowercased(run.text, environment.locale);
            Font font = segment.font.value_or(environment.font.value_or(Font::body));
            run.style.pointSize = font.size;
            run.style.weight = segment.weight.value_or(environment.fontWeight.value_or(font.fontWeight));
            run.style.design = font.design;
            run.style.isItalic = segment.isItalic || font.isItalic;
            run.style.hasMonospacedDigits = segment.hasMonospacedDigits || font.hasMonospacedDigits || environment.monospacedDigit;
            run.style.color = segment.foregroundStyle ? environment.resolve(*segment.foregroundStyle) : environment.resolvedForeground();
            content->runs.push_back(std::move(run));
        }
        detail::TextParagraphOptions options;
        options.lineLimit = environment.lineLimit;
        options.truncationMode = environment.truncationMode;
        options.alignment = environment.multilineTextAlignment;
        options.allowsTightening = environment.allowsTightening;
        options.minimumScaleFactor = environment.minimumScaleFactor;
        output.push_back(std::make_unique<detail::TextNode>(std::move(content), options));
    }

private:
    static std::string resolveString(const Text::Segment& segment, const EnvironmentValues& environment, detail::ResolveContext& context)
    {
        if (auto verbatim = std::get_if<std::string>(&segment.content))
            return *verbatim;
        if (auto key = std::get_if<LocalizedStringKey>(&segment.content))
            return environment.localizedString(*key);
        const auto& date = std::get<Text::DateContent>(segment.content);
        switch (date.style) {
        case Text::DateStyle::time: return DateTextFormatter::time(date.date, environment.locale, environment.timeZone);
        case Text::DateStyle::date: return DateTextFormatter::date(date.date, environment.locale, environment.timeZone);
        case Text::DateStyle::timer:
            context.containsTimer = true;
            return DateTextFormatter::timer(date.date, context.renderDate, environment.locale);
        }
        return {};
    }

    std::vector<Text::Segment> m_segments;
};

}

Text::Text(std::vector<Segment> segments)
    : View(std::make_shared<TextViewNode>(std::move(segments)))
{
}

Text::Text(std::string verbatim)
    : Text(std::vector<Segment> { Segment { std::move(verbatim) } })
{
}

Text::Text(LocalizedStringKey key)
    : Text(std::vector<Segment> { Segment { std::move(key) } })
{
}

Text::Text(Date date, DateStyle style)
    : Text(std::vector<Segment> { Segment { DateContent { date, style } } })
{
}

const std::vector<Text::Segment>& Text::segments() const
{
    return static_cast<const TextViewNode&>(*node()).segments();
}

template <class Change> Text Text::changingSegments(Change change) const
{
    auto copy = segments();
    for (auto& segment : copy)
        change(segment);
    return Text(std::move(copy));
}

Text Text::font(const Font& font) const
{
    return changingSegments([&](Segment& segment) {
        if (!segment.font)
            segment.font = font;
    });
}

Text Text::fontWeight(std::optional<Font::Weight> weight) const
{
    return changingSegments([&](Segment& segment) {
        if (!segment.weight)
            segment.weight = weight;
    });
}

Text Text::bold(bool isActive) const
{
    return fontWeight(isActive ? std::optional(Font::Weight::bold) : std::nullopt);
}

Text Text::italic() const
{
    return changingSegments([](Segment& segment) { segment.isItalic = true; });
}

Text Text::monospacedDigit() const
{
    return changingSegments([](Segment& segment) { segment.hasMonospacedDigits = true; });
}

Text Text::foregroundStyle(const ShapeStyle& style) const
{
    return changingSegments([&](Segment& segment) {
        if (!segment.foregroundStyle)
            segment.foregroundStyle = style;
    });
}

Text operator+(const Text& left, const Text& right)
{
    auto segments = left.segments();
    const auto& more = right.segments();
    segments.insert(segments.end(), more.begin(), more.end());
    return Text(std::move(segments));
}

}
