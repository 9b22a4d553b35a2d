#pragma once

#include "Platform/Runtime/Color.hpp"
#include "Platform/UI/Font.hpp"
#include "Platform/UI/Geometry.hpp"
#include "Platform/UI/LocalizedStringKey.hpp"
#include "Platform/UI/ShapeStyle.hpp"
#include "Platform/UI/SystemColors.hpp"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace tvk::ui {

enum class WidgetFamily { systemSmall, systemMedium, systemLarge, systemExtraLarge };

/// The desktop sizes of the widget families, in points: small 170 × 170, medium 364 × 170,
/// large 364 × 382, extra large 769 × 382.
Size widgetSize(WidgetFamily family);

enum class LayoutDirection { leftToRight, rightToLeft };
enum class UserInterfaceSizeClass { compact, regular };
enum class TextCase { uppercase, lowercase };
enum class TruncationMode { head, middle, tail };
enum class TextAlignment { leading, center, trailing };

enum class ProgressViewStyle {
    /// A bar as wide as offered, 4 pt high.
    linear,
    /// A disc filling clockwise from the top, 16 pt across or smaller when less is offered.
    circular,
};

/// The values a view tree hands down to its descendants: set on the root by the host, changed
/// for a subtree by modifiers (`.font`, `.foregroundStyle`, `.lineLimit`, `.environment`...),
/// and read by views whose body depends on them (the widget family, the colour scheme).
struct EnvironmentValues {
    WidgetFamily widgetFamily = WidgetFamily::systemSmall;
    ColorScheme colorScheme = ColorScheme::light;
    /// Pixels per point of the surface drawn to. Layout does not depend on it.
    double displayScale = 1;
    /// An ICU locale identifier ("de_DE"); empty means ICU's default locale.
    std::string locale;
    /// An Olson time-zone identifier ("Europe/Berlin"); empty means ICU's default zone.
    std::string timeZone;
    LayoutDirection layoutDirection = LayoutDirection::leftToRight;
    std::optional<UserInterfaceSizeClass> horizontalSizeClass;

    /// Turns a catalog key with its arguments into the text to show. Empty: the key itself is
    /// the format (see `LocalizedStringKey::format`).
    std::function<std::string(const LocalizedStringKey&)> localize;
    /// Where `Image(name)` finds "<name>.svg" (and "<name>.dark.svg" for the dark appearance).
    /// Absent: the "Assets" folder of the resource directory.
    std::optional<std::filesystem::path> assetDirectory;

    /// The font of texts that set none; absent means `Font::body`.
    std::optional<Font> font;
    /// Set by `bold()` and `fontWeight()` on a container: overrides the weight of every font
    /// below that does not set its own on the text itself.
    std::optional<Font::Weight> fontWeight;
    bool monospacedDigit = false;
    /// The foreground style; absent means the primary label colour.
    std::optional<ShapeStyle> foregroundStyle;
    /// The accent of controls (the progress indicator); absent means the system accent.
    std::optional<Color> tint;

    std::optional<int> lineLimit;
    TruncationMode truncationMode = TruncationMode::tail;
    TextAlignment multilineTextAlignment = TextAlignment::leading;
    bool allowsTightening = false;
    double minimumScaleFactor = 1;
    std::optional<TextCase> textCase;

    ProgressViewStyle progressViewStyle = ProgressViewStyle::linear;

    /// The text for `key` through `localize`, or the formatted key without one.
    std::string localizedString(const LocalizedStringKey& key) const;
    /// The colour `style` takes here (hierarchical levels relative to the foreground style).
    ResolvedColor resolve(const ShapeStyle& style) const;
    /// The colour of the foreground style here.
    ResolvedColor resolvedForeground() const;
    std::filesystem::path resolvedAssetDirectory() const;
};

}
