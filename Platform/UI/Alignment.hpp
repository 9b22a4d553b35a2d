#pragma once

namespace tvk::ui {

enum class HorizontalAlignment { leading, center, trailing };

/// The text baselines align the first or last line of text in each child; views without text
/// have their bottom edge as baseline.
enum class VerticalAlignment { top, center, bottom, firstTextBaseline, lastTextBaseline };

struct Alignment {
    HorizontalAlignment horizontal = HorizontalAlignment::center;
    VerticalAlignment vertical = VerticalAlignment::center;

    static const Alignment center;
    static const Alignment leading;
    static const Alignment trailing;
    static const Alignment top;
    static const Alignment bottom;
    static const Alignment topLeading;
    static const Alignment topTrailing;
    static const Alignment bottomLeading;
    static const Alignment bottomTrailing;

    bool operator==(const Alignment&) const = default;
};

inline constexpr Alignment Alignment::center { HorizontalAlignment::center, VerticalAlignment::center };
inline constexpr Alignment Alignment::leading { HorizontalAlignment::leading, VerticalAlignment::center };
inline constexpr Alignment Alignment::trailing { HorizontalAlignment::trailing, VerticalAlignment::center };
inline constexpr Alignment Alignment::top { HorizontalAlignment::center, VerticalAlignment::top };
inline constexpr Alignment Alignment::bottom { HorizontalAlignment::center, VerticalAlignment::bottom };
inline constexpr Alignment Alignment::topLeading { HorizontalAlignment::leading, VerticalAlignment::top };
inline constexpr Alignment Alignment::topTrailing { HorizontalAlignment::trailing, VerticalAlignment::top };
inline constexpr Alignment Alignment::bottomLeading { HorizontalAlignment::leading, VerticalAlignment::bottom };
inline constexpr Alignment Alignment::bottomTrailing { HorizontalAlignment::trailing, VerticalAlignment::bottom };

}
