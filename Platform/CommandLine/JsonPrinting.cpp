#include "Platform/CommandLine/JsonPrinting.hpp"

namespace tvk::cli {

std::string printJson(const nlohmann::json& json)
{
    return json.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string printOrderedJson(const nlohmann::ordered_json& json)
{
    return json.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}
