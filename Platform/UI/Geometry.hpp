#pragma once

#include <cstdint>
#include <limits>
#include <optional>

namespace tvk::ui {

/// Lengths are points. A display scale (pixels per point) applies only when drawing.
inline constexpr double infinity = std::numeric_limits<double>::infinity();

struct Point {
    double x = 0;
    double y = 0;
    bool operator==(const Point&) const = default;
};

struct Size {
    double width = 0;
    double height = 0;
    bool operator==(const Size&) const = default;
};

struct Rect {
    Point origin;
    Size size;

    constexpr double minX() const { return origin.x; }
    constexpr double minY() const { return origin.y; }
    constexpr double maxX() const { return origin.x + size.width; }
    constexpr double maxY() const { return origin.y + size.height; }
    constexpr double midX() const { return origin.x + size.width / 2; }
    constexpr double midY() const { return origin.y + size.height / 2; }
    /// Half-open, so that two rectangles sharing an edge never both contain a point on it.
    constexpr bool contains(Point point) const { return point.x >= minX() && point.x < maxX() && point.y >= minY() && point.y < maxY(); }
    bool operator==(const Rect&) const = default;
};

struct EdgeInsets {
    double top = 0;
    double leading = 0;
    double bottom = 0;
    double trailing = 0;
    bool operator==(const EdgeInsets&) const = default;
};

/// `Edge::leading`, `Edge::top | Edge::bottom`, `Edge::horizontal`, `Edge::all`.
struct Edge {
    struct Set {
        std::uint8_t bits = 0;
        constexpr Set operator|(Set other) const { return Set { static_cast<std::uint8_t>(bits | other.bits) }; }
        constexpr bool contains(Set other) const { return (bits & other.bits) == other.bits; }
        bool operator==(const Set&) const = default;
    };
    static constexpr Set top { 1 };
    static constexpr Set leading { 2 };
    static constexpr Set bottom { 4 };
    static constexpr Set trailing { 8 };
    static constexpr Set horizontal { 2 | 8 };
    static constexpr Set vertical { 1 | 4 };
    static constexpr Set all { 15 };
};

/// `Axis::horizontal`, `Axis::vertical`, or both as `Axis::horizontal | Axis::vertical`.
struct Axis {
    struct Set {
        std::uint8_t bits = 0;
        constexpr Set operator|(Set other) const { return Set { static_cast<std::uint8_t>(bits | other.bits) }; }
        constexpr bool contains(Set other) const { return (bits & other.bits) == other.bits; }
        bool operator==(const Set&) const = default;
    };
    static constexpr Set horizontal { 1 };
    static constexpr Set vertical { 2 };
};

/// What a parent offers a child on each axis: none (the child answers with its ideal size),
/// zero (its minimum), infinity (its maximum) or a length.
struct ProposedViewSize {
    std::optional<double> width;
    std::optional<double> height;

    static constexpr ProposedViewSize unspecified() { return {}; }
    static constexpr ProposedViewSize zero() { return { 0.0, 0.0 }; }
    static constexpr ProposedViewSize infinity() { return { ui::infinity, ui::infinity }; }
    static constexpr ProposedViewSize from(Size size) { return { size.width, size.height }; }
    bool operator==(const ProposedViewSize&) const = default;
};

}
