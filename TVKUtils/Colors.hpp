#pragma once

#include "Platform/Runtime/Color.hpp"

#include <filesystem>
#include <optional>
#include <string_view>

namespace tvk::Colors {

/// The colour used when the assets have no "Primary": red 0.94, green 0.6, blue 0.05.
inline constexpr Color primaryFallback = Color::rgb(0.94, 0.6, 0.05, 1.0);

/// The product's accent, the named colour "Primary" of the assets; read once (and again after
/// `ProcessWideState::reset()`), and `primaryFallback` when the assets have none.
Color primary();

/// The named colours of the assets live in one JSON file, `<resources>/Assets/Colors.json`
/// (see `StandardPaths::resourceDirectory()`), an object from colour names to colours:
///
///     { "Primary": { "red": 0.94, "green": 0.6, "blue": 0.05, "alpha": 1.0 },
///       "Other": "#F09A0D" }
///
/// A colour is either components between 0 and 1 ("alpha" may be left out) or a hex text
/// that `Color::fromHex` reads. None when the file, the name or a valid value is missing; a
/// file that is there but unreadable is reported through the logger.
std::optional<Color> namedColor(std::string_view name);
std::optional<Color> namedColor(std::string_view name, const std::filesystem::path& colorsFile);

}
