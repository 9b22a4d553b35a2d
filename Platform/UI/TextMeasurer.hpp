#pragma once

#include "Platform/UI/EnvironmentValues.hpp"
#include "Platform/UI/Font.hpp"
#include "Platform/UI/Geometry.hpp"
#include "Platform/UI/SystemColors.hpp"

#include <memory>
#include <optional>
#include <string>
#include <vector>

typedef struct _cairo cairo_t;

namespace tvk::ui {

/// The look of one run of text once the environment is applied.
struct ResolvedTextStyle {
    double pointSize = 13;
    Font::Weight weight = Font::Weight::regular;
    Font::Design design = Font::Design::standard;
    bool isItalic = false;
    bool hasMonospacedDigits = false;
    ResolvedColor color;
    bool operator==(const ResolvedTextStyle&) const = default;
};

struct TextRun {
    std::string text;
    ResolvedTextStyle style;
    bool operator==(const TextRun&) const = default;
};

/// The runs of one `Text` (several when texts were concatenated), shared by every
/// measurement of it.
struct TextContent {
    std::vector<TextRun> runs;
    /// An ICU locale identifier, for line breaking and font choice.
    std::string language;

    std::string plainText() const;
    /// A string that is equal for equal contents, so that measurements can be shared.
    std::string identity() const;
};

/// One way of setting a text: the width to wrap to, how many lines, and the adjustments tried
/// before truncating (tighter letter spacing, a smaller font).
struct TextMeasureRequest {
    std::shared_ptr<const TextContent> content;
    /// Absent: no wrapping (each paragraph on one line).
    std::optional<double> width;
    /// Absent: no limit.
    std::optional<int> maximumLines;
    TruncationMode truncationMode = TruncationMode::tail;
    TextAlignment alignment = TextAlignment::leading;
    /// Multiplies every font size.
    double scale = 1;
    /// Added between characters, in ems (negative: tighter).
    double tracking = 0;
};

/// A string equal for equal requests of equal contents (`TextContent::identity`), for caches.
std::string measurementKey(const TextMeasureRequest& request, const std::string& contentIdentity);

/// Something the renderer can draw a measured text from.
class TextDrawable {
public:
    virtual ~TextDrawable() = default;
    /// Draws with the top-left corner of the text's bounds at `origin`.
    virtual void draw(cairo_t* context, Point origin) const = 0;
};

struct TextMeasurement {
    Size size;
    /// Distances from the top to the first and last line's baseline.
    double firstBaseline = 0;
    double lastBaseline = 0;
    int lineCount = 0;
    /// Text was left out (and an ellipsis shown) to honour the width or line count.
    bool isTruncated = false;
    std::shared_ptr<const TextDrawable> drawable;
};

/// Measures and sets text. Layout asks through this interface, so tests can substitute a
/// deterministic measurer and count what is measured; the default one is `PangoTextMeasurer`.
class TextMeasurer {
public:
    virtual ~TextMeasurer() = default;
    virtual TextMeasurement measure(const TextMeasureRequest& request) = 0;
};

}
