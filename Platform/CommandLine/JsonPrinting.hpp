#pragma once

#include <nlohmann/json.hpp>
#include <string>

namespace tvk::cli {

/// JSON as the programs print it for scripts and people alike: indented by two spaces, keys in
/// the order given; invalid UTF-8 in strings is replaced, never thrown on.
std::string printJson(const nlohmann::json& json);

}
