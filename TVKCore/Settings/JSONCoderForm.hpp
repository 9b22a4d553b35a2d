#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tvk::jsoncoder {

// JSON as the main application's coder writes and reads it (default strategies): objects
// without spaces, keys in declaration order, "/" written as "\/", reals as their shortest
// exact digits without a trailing ".0". Reading takes any key order, either form of slash,
// and ignores keys it does not know.

/// The text with every "/" written as "\/". Valid for whole JSON documents, since a slash can
/// only stand inside a string there.
std::string escapingSlashes(std::string_view json);

/// A JSON string literal; none for text that is not valid UTF-8, which the platform's strings
/// can never hold and its coder therefore never writes.
std::optional<std::string> stringLiteral(std::string_view text);

/// A real as the platform's coder writes one: "722000000", "722000000.25", "1e+16"; the text
/// reads back to exactly the same double. None for infinities and NaN, which the coder refuses.
std::optional<std::string> numberLiteral(double value);

/// An object of already written members, in the order given.
std::string object(const std::vector<std::pair<std::string_view, std::string>>& members);

/// Strict reads of one decoded member, as the platform's decoder converts them.
/// An integer: a JSON number with a whole value within 64 bits (5 and 5.0, not 5.5); never a
/// Boolean.
std::optional<std::int64_t> integerValue(const nlohmann::json& value);
/// A finite real from any JSON number; never a Boolean.
std::optional<double> realValue(const nlohmann::json& value);

}
