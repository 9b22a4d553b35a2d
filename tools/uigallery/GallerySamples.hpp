#pragma once

// The sample trees of the gallery: stacks with spacers, truncated titles, event rows with a
// capsule button, a list that fits as many rows as there is room for, the empty state. They
// exercise every element and modifier the widgets are written with; the benchmark lays out
// and draws the list sample.

#include "Platform/Runtime/Date.hpp"
#include "Platform/UI/UI.hpp"

#include <string>
#include <vector>

namespace tvk::uigallery {

struct GallerySample {
    std::string name;
    ui::WidgetFamily family;
    ui::View view;
};

/// The moment every sample is drawn for: Monday 7 December 2026, 09:30 in Berlin.
Date galleryNow();

/// The environment the samples are drawn in (Berlin, en_US).
ui::EnvironmentValues galleryEnvironment(ui::WidgetFamily family, ui::ColorScheme scheme);

std::vector<GallerySample> gallerySamples();

/// An upcoming-events list of `count` rows for `family` (what the benchmark draws).
ui::View sampleList(int count);

/// Wraps a widget's content in its container: the rounded background and the margins.
ui::View widgetContainer(const ui::View& content);

}
