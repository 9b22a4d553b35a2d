#include "TVKCore/Settings/FilterRuleCoding.hpp"

#include "TVKCore/Settings/JSONCoderForm.hpp"

namespace tvk {

tl::expected<std::string, std::string> JSONCoding<std::vector<FilterRule>>::encode(const std::vector<FilterRule>& rules)
{
    return jsoncoder::escapingSlashes(FilterRule::encodeList(rules));
}

}
