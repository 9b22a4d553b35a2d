#include "TVKUtils/OpenURL.hpp"

#include "Platform/Desktop/Workspace.hpp"
#include "Platform/Text/PercentEncoding.hpp"
#include "QMLogger/QMLogger.hpp"

namespace tvk {

namespace {

/// The query character set leaves "&", "=" and "+" alone, but inside a mailto header value
/// they would end the value or read as a space, so they are encoded too.
std::string encodedHeaderValue(std::string_view text)
{
    auto encoded = percentEncoded(text, UrlCharacterSet::queryAllowed);
    if (!encoded)
        return {};
    std::string result;
    for (char c : *encoded) {
        switch (c) {
        case '&': result += "%26"; break;
        case '=': result += "%3D"; break;
        case '+': result += "%2B"; break;
        default: result += c;
        }
    }
    return result;
}

}

void openURL(const std::string& url)
{
    if (!Workspace::shared().open(url))
        QMLogger::warning(LogCategory("Workspace"), "could not open \"" + url + "\"");
}

void openAppURL(AppURL url)
{
    openURL(std::string(rawValue(url)));
}

void openMailAppWithComposeWindow(std::string_view recipient, std::string_view subject, std::string_view message)
{
    auto encodedRecipient = percentEncoded(recipient, UrlCharacterSet::pathAllowed).value_or(std::string());
    openURL("mailto:" + encodedRecipient + "?subject=" + encodedHeaderValue(subject) + "&body=" + encodedHeaderValue(message));
}

}
