#pragma once

#include "Platform/Text/Url.hpp"

#include <array>
#include <string_view>

namespace tvk {

/// The schemes with which a link taken from calendar data may be handed to the desktop: the
/// web, mail and telephone, and the desktop applications of the meeting services (Zoom,
/// Microsoft Teams, TeamSpeak). Calendar data comes from anyone who can send an invitation; a
/// "file:" link or a scheme whose handler runs a command must never be one click away.
inline constexpr std::array<std::string_view, 7> openableLinkSchemes { "http", "https", "mailto", "tel", "zoommtg", "msteams",
    "ts3server" };

/// Whether `url` is absolute and its scheme (in any letter case) is one of `openableLinkSchemes`.
bool isOpenableLink(const Url& url);

}
