#include "Platform/Text/Url.hpp"

#include "Platform/Text/PercentEncoding.hpp"

#include <uriparser/Uri.h>

#include <charconv>

namespace tvk {

namespace {

constexpr char hexDigits[] = "0123456789ABCDEF";

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

void appendEscaped(std::string& out, unsigned char byte)
{
    out += '%';
    out += hexDigits[byte >> 4];
    out += hexDigits[byte & 0x0F];
}

// Where the authority of `text` ends, when it has one ("scheme://…" or "//…"), so that the
// brackets of an IP literal can be told from brackets elsewhere.
std::optional<std::pair<std::size_t, std::size_t>> authorityRange(std::string_view text)
{
    std::size_t start = 0;
    if (text.starts_with("//")) {
        start = 2;
    } else {
        std::size_t i = 0;
        if (text.empty() || !((text[0] >= 'a' && text[0] <= 'z') || (text[0] >= 'A' && text[0] <= 'Z')))
            return std::nullopt;
        while (i < text.size() && text[i] != ':') {
            char c = text[i];
            bool schemeCharacter
                = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
            if (!schemeCharacter)
                return std::nullopt;
            ++i;
        }
        if (text.substr(i).starts_with("://"))
            start = i + 3;
        else
            return std::nullopt;
    }
    auto end = text.find_first_of("/?#", start);
    return std::pair { start, end == std::string_view::npos ? text.size() : end };
}

// The text with every character that RFC 3986 forbids but pasted links carry percent-encoded;
// none for text that no encoding makes a URL (white space, control characters, bad UTF-8).
std::optional<std::string> encodedForParsing(std::string_view text)
{
    if (text.empty() || !isValidUtf8(text))
        return std::nullopt;
    auto authority = authorityRange(text);
    std::string out;
    out.reserve(text.size() + 8);
    bool inFragment = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto byte = static_cast<unsigned char>(text[i]);
        if (byte <= 0x20 || byte == 0x7F)
            return std::nullopt;
        bool inAuthority = authority && i >= authority->first && i < authority->second;
        switch (byte) {
        case '"':
        case '<':
        case '>':
        case '\\':
        case '^':
        case '`':
        case '{':
        case '|':
        case '}': appendEscaped(out, byte); continue;
        case '[':
        case ']':
            if (inAuthority)
                out += static_cast<char>(byte);
            else
                appendEscaped(out, byte);
            continue;
        case '#':
            if (inFragment)
                appendEscaped(out, byte);
            else
                out += '#';
            inFragment = true;
            continue;
        case '%':
            if (i + 2 < text.size() && isHexDigit(text[i + 1]) && isHexDigit(text[i + 2]))
                out += '%';
            else
                appendEscaped(out, byte);
            continue;
        default:
            if (byte >= 0x80)
                appendEscaped(out, byte);
            else
                out += static_cast<char>(byte);
        }
    }
    return out;
}

std::string decodedOrRaw(std::string_view text)
{
    if (text.find('%') == std::string_view::npos)
        return std::string(text);
    auto decoded = percentDecoded(text);
    return decoded ? std::move(*decoded) : std::string(text);
}

std::optional<int> parsedPort(std::string_view text)
{
    if (text.empty() || text.size() > 5)
        return std::nullopt;
    int port = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (error != std::errc() || end != text.data() + text.size() || port > 65535)
        return std::nullopt;
    return port;
}

struct UriMembers {
    UriUriA uri {};
    bool parsed = false;
    ~UriMembers()
    {
        if (parsed)
            uriFreeUriMembersA(&uri);
    }
};

std::vector<std::string> splitPathComponents(std::string_view path)
{
    std::vector<std::string> components;
    if (path.starts_with('/'))
        components.emplace_back("/");
    std::size_t start = 0;
    while (start <= path.size()) {
        auto slash = path.find('/', start);
        auto piece = path.substr(start, slash == std::string_view::npos ? std::string_view::npos : slash - start);
        if (!piece.empty())
            components.push_back(decodedOrRaw(piece));
        if (slash == std::string_view::npos)
            break;
        start = slash + 1;
    }
    return components;
}

}

std::optional<Url> Url::make(std::string_view text)
{
    auto encoded = encodedForParsing(text);
    if (!encoded)
        return std::nullopt;
    Url url;
    url.m_string = std::move(*encoded);
    const char* begin = url.m_string.data();
    const char* end = begin + url.m_string.size();

    UriMembers members;
    const char* errorPosition = nullptr;
    if (uriParseSingleUriExA(&members.uri, begin, end, &errorPosition) != URI_SUCCESS)
        return std::nullopt;
    members.parsed = true;
    const UriUriA& uri = members.uri;

    auto rangeOf = [&](const UriTextRangeA& range) {
        Range result;
        if (!range.first)
            return result;
        result.present = true;
        // uriparser points an empty component (the host of "file:///x") at a static empty
        // string rather than into the text.
        if (range.first < begin || range.afterLast > end || range.first > range.afterLast)
            return result;
        result.begin = static_cast<std::size_t>(range.first - begin);
        result.end = static_cast<std::size_t>(range.afterLast - begin);
        return result;
    };
    url.m_scheme = rangeOf(uri.scheme);
    url.m_userInfo = rangeOf(uri.userInfo);
    url.m_host = rangeOf(uri.hostText);
    url.m_port = rangeOf(uri.portText);
    url.m_query = rangeOf(uri.query);
    url.m_fragment = rangeOf(uri.fragment);
    if (url.m_port.present && url.m_port.end > url.m_port.begin
        && !parsedPort(std::string_view(url.m_string).substr(url.m_port.begin, url.m_port.end - url.m_port.begin)))
        return std::nullopt;

    // The path runs from the end of the authority (or of "scheme:") to the query or fragment.
    std::size_t pathBegin = 0;
    if (url.m_scheme.present)
        pathBegin = url.m_scheme.end + 1;
    if (std::string_view(url.m_string).substr(pathBegin).starts_with("//")) {
        auto authorityEnd = url.m_string.find_first_of("/?#", pathBegin + 2);
        pathBegin = authorityEnd == std::string::npos ? url.m_string.size() : authorityEnd;
    }
    std::size_t pathEnd = url.m_string.size();
    if (url.m_query.present)
        pathEnd = url.m_query.begin - 1;
    else if (url.m_fragment.present)
        pathEnd = url.m_fragment.begin - 1;
    url.m_path = { pathBegin, std::max(pathBegin, pathEnd), true };
    return url;
}

Url Url::fileUrl(const std::filesystem::path& path)
{
    std::string text = "file://";
    for (char c : path.string()) {
        auto byte = static_cast<unsigned char>(c);
        bool allowed = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9')
            || std::string_view("!$&'()*+,-./:=@_~").find(c) != std::string_view::npos;
        if (allowed && byte != 0)
            text += c;
        else
            appendEscaped(text, byte);
    }
    auto url = make(text);
    return url ? std::move(*url) : *make("file:///");
}

std::optional<std::string> Url::component(const Range& range) const
{
    if (!range.present)
        return std::nullopt;
    return m_string.substr(range.begin, range.end - range.begin);
}

std::optional<std::string> Url::scheme() const
{
    return component(m_scheme);
}

std::optional<std::string> Url::host() const
{
    if (!m_host.present || m_host.end == m_host.begin)
        return std::nullopt;
    return decodedOrRaw(std::string_view(m_string).substr(m_host.begin, m_host.end - m_host.begin));
}

std::optional<int> Url::port() const
{
    if (!m_port.present)
        return std::nullopt;
    return parsedPort(std::string_view(m_string).substr(m_port.begin, m_port.end - m_port.begin));
}

std::optional<std::string> Url::user() const
{
    auto userInfo = component(m_userInfo);
    if (!userInfo)
        return std::nullopt;
    return decodedOrRaw(std::string_view(*userInfo).substr(0, userInfo->find(':')));
}

std::optional<std::string> Url::password() const
{
    auto userInfo = component(m_userInfo);
    if (!userInfo)
        return std::nullopt;
    auto colon = userInfo->find(':');
    if (colon == std::string::npos)
        return std::nullopt;
    return decodedOrRaw(std::string_view(*userInfo).substr(colon + 1));
}

std::string_view Url::percentEncodedPath() const
{
    return std::string_view(m_string).substr(m_path.begin, m_path.end - m_path.begin);
}

std::string Url::path() const
{
    return decodedOrRaw(percentEncodedPath());
}

std::vector<std::string> Url::pathComponents() const
{
    return splitPathComponents(percentEncodedPath());
}

std::string Url::lastPathComponent() const
{
    auto components = pathComponents();
    return components.empty() ? std::string() : components.back();
}

std::optional<std::string> Url::query() const
{
    return component(m_query);
}

std::optional<std::string> Url::fragment() const
{
    return component(m_fragment);
}

UrlComponents::UrlComponents(const Url& url)
{
    scheme = url.scheme();
    if (auto userInfo = url.component(url.m_userInfo)) {
        auto colon = userInfo->find(':');
        percentEncodedUser = userInfo->substr(0, colon);
        if (colon != std::string::npos)
            percentEncodedPassword = userInfo->substr(colon + 1);
    }
    percentEncodedHost = url.component(url.m_host);
    port = url.port();
    percentEncodedPath = std::string(url.percentEncodedPath());
    percentEncodedQuery = url.query();
    percentEncodedFragment = url.fragment();
}

std::optional<UrlComponents> UrlComponents::make(std::string_view text)
{
    auto url = Url::make(text);
    if (!url)
        return std::nullopt;
    return UrlComponents(*url);
}

std::optional<std::string> UrlComponents::host() const
{
    if (!percentEncodedHost)
        return std::nullopt;
    return decodedOrRaw(*percentEncodedHost);
}

std::string UrlComponents::path() const
{
    return decodedOrRaw(percentEncodedPath);
}

std::optional<std::string> UrlComponents::fragment() const
{
    if (!percentEncodedFragment)
        return std::nullopt;
    return decodedOrRaw(*percentEncodedFragment);
}

std::optional<std::vector<UrlQueryItem>> UrlComponents::queryItems() const
{
    if (!percentEncodedQuery)
        return std::nullopt;
    std::vector<UrlQueryItem> items;
    std::string_view query = *percentEncodedQuery;
    if (query.empty())
        return items;
    std::size_t start = 0;
    while (true) {
        auto ampersand = query.find('&', start);
        auto piece = query.substr(start, ampersand == std::string_view::npos ? std::string_view::npos : ampersand - start);
        auto equals = piece.find('=');
        UrlQueryItem item;
        item.name = decodedOrRaw(piece.substr(0, equals));
        if (equals != std::string_view::npos)
            item.value = decodedOrRaw(piece.substr(equals + 1));
        items.push_back(std::move(item));
        if (ampersand == std::string_view::npos)
            break;
        start = ampersand + 1;
    }
    return items;
}

std::optional<UrlQueryItem> UrlComponents::firstQueryItem(std::string_view name) const
{
    auto items = queryItems();
    if (!items)
        return std::nullopt;
    for (auto& item : *items) {
        if (item.name == name)
            return std::move(item);
    }
    return std::nullopt;
}

std::string UrlComponents::string() const
{
    std::string text;
    if (scheme)
        text += *scheme + ":";
    if (percentEncodedHost || percentEncodedUser) {
        text += "//";
        if (percentEncodedUser) {
            text += *percentEncodedUser;
            if (percentEncodedPassword)
                text += ":" + *percentEncodedPassword;
            text += "@";
        }
        if (percentEncodedHost) {
            bool ipv6 = percentEncodedHost->find(':') != std::string::npos;
            text += ipv6 ? "[" + *percentEncodedHost + "]" : *percentEncodedHost;
        }
        if (port)
            text += ":" + std::to_string(*port);
    }
    text += percentEncodedPath;
    if (percentEncodedQuery)
        text += "?" + *percentEncodedQuery;
    if (percentEncodedFragment)
        text += "#" + *percentEncodedFragment;
    return text;
}

std::optional<Url> UrlComponents::url() const
{
    return Url::make(string());
}

}
