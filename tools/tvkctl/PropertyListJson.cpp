#include "tools/tvkctl/PropertyListJson.hpp"

#include "Platform/Runtime/ISO8601.hpp"
#include "Platform/Text/Base64.hpp"

#include <limits>

namespace tvk::tvkctl {

nlohmann::json jsonFromPropertyList(const PropertyList& value)
{
    struct Visitor {
        nlohmann::json operator()(const std::string& text) const { return text; }
        nlohmann::json operator()(std::int64_t number) const { return number; }
        nlohmann::json operator()(double number) const { return number; }
        nlohmann::json operator()(bool flag) const { return flag; }
        nlohmann::json operator()(const Data& data) const { return { { "data", base64Encoded(data) } }; }
        nlohmann::json operator()(Date date) const { return { { "date", ISO8601::format(date) } }; }
        nlohmann::json operator()(const PropertyList::Array& array) const
        {
            auto json = nlohmann::json::array();
            for (auto& element : array)
                json.push_back(jsonFromPropertyList(element));
            return json;
        }
        nlohmann::json operator()(const PropertyList::Dictionary& dictionary) const
        {
            auto json = nlohmann::json::object();
            for (auto& [key, element] : dictionary)
                json[key] = jsonFromPropertyList(element);
            return json;
        }
    };
    return std::visit(Visitor {}, value.storage());
}

namespace {

tl::expected<PropertyList, std::string> convertJson(const nlohmann::json& json, int depth)
{
    if (depth > 128)
        return tl::unexpected(std::string("value nested too deeply"));
    switch (json.type()) {
    case nlohmann::json::value_t::string: return PropertyList(json.get<std::string>());
    case nlohmann::json::value_t::boolean: return PropertyList(json.get<bool>());
    case nlohmann::json::value_t::number_integer: return PropertyList(json.get<std::int64_t>());
    case nlohmann::json::value_t::number_unsigned: {
        auto value = json.get<std::uint64_t>();
        if (value > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            return tl::unexpected("integer " + std::to_string(value) + " is too large");
        return PropertyList(static_cast<std::int64_t>(value));
    }
    case nlohmann::json::value_t::number_float: return PropertyList(json.get<double>());
    case nlohmann::json::value_t::array: {
        PropertyList::Array array;
        for (auto& element : json) {
            auto converted = convertJson(element, depth + 1);
            if (!converted)
                return converted;
            array.push_back(std::move(*converted));
        }
        return PropertyList(std::move(array));
    }
    case nlohmann::json::value_t::object: {
        if (json.size() == 1 && json.contains("data") && json["data"].is_string()) {
            auto data = base64Decoded(json["data"].get<std::string>(), Base64Form::canonical);
            if (!data)
                return tl::unexpected(std::string("\"data\" is not valid base64"));
            return PropertyList(std::move(*data));
        }
        if (json.size() == 1 && json.contains("date") && json["date"].is_string()) {
            auto date = ISO8601::parse(json["date"].get<std::string>());
            if (!date)
                return tl::unexpected("\"" + json["date"].get<std::string>() + "\" is not an ISO 8601 date");
            return PropertyList(*date);
        }
        PropertyList::Dictionary dictionary;
        for (auto& [key, element] : json.items()) {
            auto converted = convertJson(element, depth + 1);
            if (!converted)
                return converted;
            dictionary.insert_or_assign(key, std::move(*converted));
        }
        return PropertyList(std::move(dictionary));
    }
    case nlohmann::json::value_t::null:
        return tl::unexpected(std::string("null is not a property-list value (use `delete` to remove a key)"));
    default: return tl::unexpected(std::string("unsupported JSON value"));
    }
}

}

tl::expected<PropertyList, std::string> propertyListFromJson(const nlohmann::json& json)
{
    return convertJson(json, 0);
}

tl::expected<PropertyList, std::string> propertyListFromJsonText(const std::string& text)
{
    auto json = nlohmann::json::parse(text, nullptr, false);
    if (json.is_discarded())
        return tl::unexpected("not valid JSON: " + text);
    return propertyListFromJson(json);
}

}
