#pragma once

#include "Platform/Runtime/Date.hpp"
#include "Platform/UI/LocalizedStringKey.hpp"
#include "Platform/UI/View.hpp"

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace tvk::ui {

/// A run of text: a string shown as it is, a catalog key resolved through the environment's
/// `localize`, or a date in a style. Texts concatenate with `+`; each part keeps its own
/// font, weight and colour, and what a modifier on the whole sets applies to the parts that
/// set nothing themselves.
///
/// Texts wrap to the width offered and honour the environment's line limit, truncating with an
/// ellipsis; before truncating they tighten their letter spacing (`allowsTightening`) and
/// shrink (`minimumScaleFactor`) when allowed.
class Text : public View {
public:
    enum class DateStyle {
        /// The short time: "9:00 AM".
        time,
        /// The long date: "December 7, 2026".
        date,
        /// The time to the date (or since it) as a running clock, "4:59", as of the moment
        /// the tree is laid out for; a host draws trees holding one every second.
        timer,
    };

    explicit Text(std::string verbatim);
    explicit Text(const char* verbatim)
        : Text(std::string(verbatim ? verbatim : ""))
    {
    }
    explicit Text(LocalizedStringKey key);
    Text(Date date, DateStyle style);

    Text font(const Font& font) const;
    Text fontWeight(std::optional<Font::Weight> weight) const;
    Text bold(bool isActive = true) const;
    Text italic() const;
    Text monospacedDigit() const;
    Text foregroundStyle(const ShapeStyle& style) const;
    Text foregroundColor(const Color& color) const { return foregroundStyle(color); }

    friend Text operator+(const Text& left, const Text& right);

    struct DateContent {
        Date date;
        DateStyle style;
        bool operator==(const DateContent&) const = default;
    };
    struct Segment {
        std::variant<std::string, LocalizedStringKey, DateContent> content;
        std::optional<Font> font;
        std::optional<Font::Weight> weight;
        bool isItalic = false;
        bool hasMonospacedDigits = false;
        std::optional<ShapeStyle> foregroundStyle;
    };
    const std::vector<Segment>& segments() const;

private:
    explicit Text(std::vector<Segment> segments);
    template <class Change> Text changingSegments(Change change) const;
};

}
