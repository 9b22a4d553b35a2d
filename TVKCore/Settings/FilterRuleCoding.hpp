#pragma once

#include "TVKCore/Rules/FilterRule.hpp"
#include "TVKUtils/CodableUserDefault.hpp"

#include <string>
#include <string_view>
#include <tl/expected.hpp>
#include <vector>

namespace tvk {

/// The exclude rules as the "excludeRules" setting keeps them: the JSON array of
/// `FilterRule::encodeList`, with slashes written "\/" as the main application's coder
/// writes them.
template <> struct JSONCoding<std::vector<FilterRule>> {
    static tl::expected<std::vector<FilterRule>, std::string> decode(std::string_view json) { return FilterRule::decodeList(json); }
    static tl::expected<std::string, std::string> encode(const std::vector<FilterRule>& rules);
};

}
