#include "tools/tvkctl/SettingsJson.hpp"

#include <charconv>

namespace tvk::tvkctl {

std::optional<std::int64_t> parseInteger(std::string_view text)
{
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-')
            return std::nullopt;
    }
    std::int64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

nlohmann::ordered_json jsonOf(const EventSettings& settings)
{
    auto encoded = settings.encode();
    return encoded ? nlohmann::ordered_json::parse(*encoded, nullptr, false) : nlohmann::ordered_json();
}

nlohmann::ordered_json jsonOf(const Reminder& reminder)
{
    auto encoded = reminder.encode();
    return encoded ? nlohmann::ordered_json::parse(*encoded, nullptr, false) : nlohmann::ordered_json();
}

std::string printOrderedJson(const nlohmann::ordered_json& json)
{
    return json.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

bool isValidUTF8(std::string_view text)
{
    try {
        (void)nlohmann::json(std::string(text)).dump();
        return true;
    } catch (const nlohmann::json::exception&) {
        return false;
    }
}

}

namespace tvk::tvkctl {

bool isStorableText(std::string_view text)
{
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\t' && c != '\n' && c != '\r') || byte == 0x7f)
            return false;
    }
    return isValidUTF8(text);
}

}
