#include "TVKCore/Settings/EventSettings.hpp"

#include "TVKCore/Settings/JSONCoderForm.hpp"

namespace tvk {

EventSettings EventSettings::defaultSettings(EventType type)
{
    return EventSettings { type, false, false, 0, std::nullopt };
}

bool EventSettings::isEqual(const EventSettings& other, TypeComparison comparison) const
{
    return (comparison == TypeComparison::ignoreType || type == other.type) && isExcluded == other.isExcluded
        && usesCustomTimeOffset == other.usesCustomTimeOffset && timeOffsetSeconds == other.timeOffsetSeconds
        && defaultConferenceUrl == other.defaultConferenceUrl;
}

bool EventSettings::isValidConferenceUrlText(std::string_view text)
{
    auto colon = text.find(':');
    if (colon == 0 || colon == std::string_view::npos || colon + 1 >= text.size())
        return false;
    auto isLetter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    if (!isLetter(text[0]))
        return false;
    for (size_t index = 1; index < colon; ++index) {
        char c = text[index];
        if (!isLetter(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.')
            return false;
    }
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte == 0x7f)
            return false;
    }
    return true;
}

tl::expected<EventSettings, std::string> EventSettings::decode(std::string_view json)
{
    auto parsed = nlohmann::json::parse(json, nullptr, false);
    if (parsed.is_discarded())
        return tl::unexpected(std::string("not valid JSON"));
    if (!parsed.is_object())
        return tl::unexpected(std::string("not a JSON object"));
    auto member = [&](const char* key) -> const nlohmann::json* {
        auto found = parsed.find(key);
        return found == parsed.end() ? nullptr : &*found;
    };

    EventSettings settings;
    auto* type = member("type");
    if (!type || !type->is_string())
        return tl::unexpected(std::string("\"type\" is missing or not a string"));
    auto eventType = eventTypeFromRawValue(type->get_ref<const std::string&>());
    if (!eventType)
        return tl::unexpected("unknown event type \"" + type->get<std::string>() + "\"");
    settings.type = *eventType;
    for (auto [key, field] : { std::pair { "isExcluded", &EventSettings::isExcluded },
             std::pair { "usesCustomTimeOffset", &EventSettings::usesCustomTimeOffset } }) {
        auto* flag = member(key);
        if (!flag || !flag->is_boolean())
            return tl::unexpected(std::string("\"") + key + "\" is missing or not a Boolean");
        settings.*field = flag->get<bool>();
    }
    auto* offset = member("timeOffsetSeconds");
    auto seconds = offset ? jsoncoder::integerValue(*offset) : std::nullopt;
    if (!seconds)
        return tl::unexpected(std::string("\"timeOffsetSeconds\" is missing or not an integer"));
    settings.timeOffsetSeconds = *seconds;
    // An explicit null reads as absent, as the platform's decoder treats an optional.
    if (auto* url = member("defaultConferenceUrl"); url && !url->is_null()) {
        if (!url->is_string())
            return tl::unexpected(std::string("\"defaultConferenceUrl\" is not a string"));
        if (url->get_ref<const std::string&>().empty())
            return tl::unexpected(std::string("\"defaultConferenceUrl\" is empty"));
        settings.defaultConferenceUrl = url->get<std::string>();
    }
    return settings;
}

tl::expected<std::string, std::string> EventSettings::encode() const
{
    std::vector<std::pair<std::string_view, std::string>> members {
        { "type", "\"" + std::string(rawValue(type)) + "\"" },
        { "isExcluded", isExcluded ? "true" : "false" },
        { "usesCustomTimeOffset", usesCustomTimeOffset ? "true" : "false" },
        { "timeOffsetSeconds", std::to_string(timeOffsetSeconds) },
    };
    if (defaultConferenceUrl) {
        if (defaultConferenceUrl->empty())
            return tl::unexpected(std::string("the conference link is empty"));
        auto literal = jsoncoder::stringLiteral(*defaultConferenceUrl);
        if (!literal)
            return tl::unexpected(std::string("the conference link is not UTF-8 text"));
        members.emplace_back("defaultConferenceUrl", std::move(*literal));
    }
    return jsoncoder::escapingSlashes(jsoncoder::object(members));
}

}
