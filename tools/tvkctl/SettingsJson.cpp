#include "tools/tvkctl/SettingsJson.hpp"

namespace tvk::tvkctl {

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
