#pragma once

#include <optional>

namespace tvk::ui {

/// A font of the system family, by point size or text style, with weight, design and the
/// variants the widgets use. The family itself is chosen when text is measured: Inter when it
/// is installed (Inter Display from 20 pt up, as the system font switches to its display cut
/// there), else fontconfig's default sans; emoji come in colour from Noto Color Emoji.
struct Font {
    enum class Weight { ultraLight, thin, light, regular, medium, semibold, bold, heavy, black };
    enum class Design { standard, monospaced, rounded, serif };
    /// The desktop text styles with their point sizes: large title 26, title 22, title 2 17,
    /// title 3 15, headline 13 bold, subheadline 11, body 13, callout 12, footnote 10,
    /// caption 10, caption 2 10.
    enum class TextStyle { largeTitle, title, title2, title3, headline, subheadline, body, callout, footnote, caption, caption2 };

    double size = 13;
    Weight fontWeight = Weight::regular;
    Design design = Design::standard;
    bool isItalic = false;
    bool hasMonospacedDigits = false;
    std::optional<TextStyle> textStyle;

    static constexpr Font system(double size, Weight weight = Weight::regular, Design design = Design::standard)
    {
        return Font { size, weight, design, false, false, std::nullopt };
    }
    static constexpr Font system(TextStyle style, Design design = Design::standard)
    {
        return Font { pointSize(style), style == TextStyle::headline ? Weight::bold : Weight::regular, design, false, false, style };
    }
    static constexpr double pointSize(TextStyle style)
    {
        switch (style) {
        case TextStyle::largeTitle: return 26;
        case TextStyle::title: return 22;
        case TextStyle::title2: return 17;
        case TextStyle::title3: return 15;
        case TextStyle::headline: return 13;
        case TextStyle::subheadline: return 11;
        case TextStyle::body: return 13;
        case TextStyle::callout: return 12;
        case TextStyle::footnote: return 10;
        case TextStyle::caption: return 10;
        case TextStyle::caption2: return 10;
        }
        return 13;
    }

    static const Font largeTitle;
    static const Font title;
    static const Font title2;
    static const Font title3;
    static const Font headline;
    static const Font subheadline;
    static const Font body;
    static const Font callout;
    static const Font footnote;
    static const Font caption;
    static const Font caption2;

    constexpr Font weight(Weight newWeight) const
    {
        Font copy = *this;
        copy.fontWeight = newWeight;
        return copy;
    }
    constexpr Font bold() const { return weight(Weight::bold); }
    constexpr Font italic() const
    {
        Font copy = *this;
        copy.isItalic = true;
        return copy;
    }
    constexpr Font monospacedDigit() const
    {
        Font copy = *this;
        copy.hasMonospacedDigits = true;
        return copy;
    }

    bool operator==(const Font&) const = default;
};

inline constexpr Font Font::largeTitle = Font::system(Font::TextStyle::largeTitle);
inline constexpr Font Font::title = Font::system(Font::TextStyle::title);
inline constexpr Font Font::title2 = Font::system(Font::TextStyle::title2);
inline constexpr Font Font::title3 = Font::system(Font::TextStyle::title3);
inline constexpr Font Font::headline = Font::system(Font::TextStyle::headline);
inline constexpr Font Font::subheadline = Font::system(Font::TextStyle::subheadline);
inline constexpr Font Font::body = Font::system(Font::TextStyle::body);
inline constexpr Font Font::callout = Font::system(Font::TextStyle::callout);
inline constexpr Font Font::footnote = Font::system(Font::TextStyle::footnote);
inline constexpr Font Font::caption = Font::system(Font::TextStyle::caption);
inline constexpr Font Font::caption2 = Font::system(Font::TextStyle::caption2);

}
