#pragma once

#include "Platform/UI/TextMeasurer.hpp"

namespace tvk::ui {

/// Measures and sets text with Pango on the calling thread's font map: wrapping at word
/// boundaries (inside words when a word alone is too long), ellipsis at the head, middle or
/// tail, line limits across paragraphs, tabular digits, letter spacing and font scaling. Its
/// measurements draw themselves onto any Cairo context.
class PangoTextMeasurer final : public TextMeasurer {
public:
    TextMeasurement measure(const TextMeasureRequest& request) override;

    /// The measurer of the calling thread.
    static PangoTextMeasurer& forCurrentThread();

private:
    TextMeasurement measure(const TextMeasureRequest& request, bool clipped);
};

}
