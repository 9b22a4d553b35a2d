#pragma once

#include <nlohmann/json.hpp>
#include <string>

namespace tvk::cli {

/// JSON as the programs print it for scripts and people alike: indented by two spaces, keys
/// sorted; invalid UTF-8 in strings is replaced, never thrown on.
std::string printJson(const nlohmann::json& json);
/// The same with the keys in their stored order, for JSON that mirrors a stored form.
std::string printOrderedJson(const nlohmann::ordered_json& json);

}
