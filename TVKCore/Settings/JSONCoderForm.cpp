#include "TVKCore/Settings/JSONCoderForm.hpp"

#include "Platform/Runtime/DoubleDescription.hpp"

#include <cmath>

namespace tvk::jsoncoder {

std::string escapingSlashes(std::string_view json)
{
    std::string result;
    result.reserve(json.size() + 8);
    for (char c : json) {
        if (c == '/')
            result += "\\/";
        else
            result += c;
    }
    return result;
}

std::optional<std::string> stringLiteral(std::string_view text)
{
    try {
        return nlohmann::json(std::string(text)).dump(-1, ' ', false, nlohmann::json::error_handler_t::strict);
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
}

std::optional<std::string> numberLiteral(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    auto text = describeDouble(value);
    if (text.ends_with(".0"))
        text.resize(text.size() - 2);
    return text;
}

std::string object(const std::vector<std::pair<std::string_view, std::string>>& members)
{
    std::string result = "{";
    for (auto& [key, literal] : members) {
        if (result.size() > 1)
            result += ',';
        result += '"';
        result += key;
        result += "\":";
        result += literal;
    }
    result += '}';
    return result;
}

std::optional<std::int64_t> integerValue(const nlohmann::json& value)
{
    if (value.is_number_integer() && !value.is_number_unsigned())
        return value.get<std::int64_t>();
    if (value.is_number_unsigned()) {
        auto unsignedValue = value.get<std::uint64_t>();
        if (unsignedValue > static_cast<std::uint64_t>(INT64_MAX))
            return std::nullopt;
        return static_cast<std::int64_t>(unsignedValue);
    }
    if (value.is_number_float()) {
        double real = value.get<double>();
        if (std::isfinite(real) && std::trunc(real) == real && real >= -9223372036854775808.0 && real < 9223372036854775808.0)
            return static_cast<std::int64_t>(real);
    }
    return std::nullopt;
}

std::optional<double> realValue(const nlohmann::json& value)
{
    if (!value.is_number())
        return std::nullopt;
    double real = value.get<double>();
    if (!std::isfinite(real))
        return std::nullopt;
    return real;
}

}
