#pragma once

#include "Platform/UI/View.hpp"

#include <string>

namespace tvk::ui {

/// A label that opens `destination` when clicked: after layout, its frame is a link region
/// (`ViewLayout::linkRegions`). The label keeps its own colours.
View Link(std::string destination, View label);

/// A determinate progress indicator showing `value` of `total` (clamped), in the tint colour
/// over a faint track. Its style comes from the environment (`progressViewStyle`), linear by
/// default.
View ProgressView(double value, double total = 1.0);

}
