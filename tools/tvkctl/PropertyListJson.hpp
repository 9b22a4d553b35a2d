#pragma once

#include "Platform/Text/PropertyList.hpp"

#include <nlohmann/json.hpp>
#include <string>
#include <tl/expected.hpp>

namespace tvk::tvkctl {

/// Property-list values as `tvkctl` shows and takes them in JSON: integers, reals, Booleans,
/// strings and arrays as themselves, dictionaries as objects, data as {"data": "<base64>"}
/// and dates as {"date": "<ISO 8601>"}. An object whose only key is "data" or "date" with a
/// string value therefore always reads as data or a date.
nlohmann::json jsonFromPropertyList(const PropertyList& value);
tl::expected<PropertyList, std::string> propertyListFromJson(const nlohmann::json& json);
/// Parses JSON text (errors name the position) and converts it.
tl::expected<PropertyList, std::string> propertyListFromJsonText(const std::string& text);

}
