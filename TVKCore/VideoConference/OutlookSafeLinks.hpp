#pragma once

#include "Platform/Text/Url.hpp"

#include <optional>

namespace tvk {

/// Whether the URL's text mentions the host of Outlook's Safe Links protection (the
/// commercial one, "safelinks.protection.outlook.com", or the US government one,
/// "safelinks.protection.office365.us"): a plain, case-sensitive substring test, as Outlook
/// always writes these hosts in lower case.
bool isOutlookSafeLink(const Url& url);

/// The URL that a Safe Link wraps: its first query item named "url", decoded once and
/// parsed. None when the URL is no Safe Link or carries no usable "url" item.
std::optional<Url> unwrappedOutlookSafelinkUrl(const Url& url);

}
