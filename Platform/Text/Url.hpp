#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tvk {

/// An absolute or relative URL reference (RFC 3986), parsed once by uriparser and kept as the
/// text it was made from.
///
/// What `make` accepts, and where that differs from the platform's URL type:
/// - Characters that RFC 3986 does not allow but that appear in links people paste are
///   percent-encoded, as the platform does since its RFC 3986 parser: bytes outside ASCII,
///   `"<>\^`{|}`, a "%" that does not start an escape, a second "#", and "[" or "]" outside
///   the host. Everything else is kept byte for byte: no case change, no normalisation, so
///   `absoluteString()` of a valid URL is its input.
/// - Text with white space or control characters, invalid UTF-8, an empty text and anything
///   that is still not RFC 3986 after that encoding (a port that is not a number or above
///   65535, a malformed IP literal, a bad scheme) does not parse. The platform would encode
///   white space inside a path; links found in text never contain any, and a URL built from
///   values with white space is better refused than guessed at.
/// - Host names are not converted to or from Punycode; a non-ASCII host is percent-encoded.
///
/// Equality and hashing compare the absolute text.
class Url {
public:
    static std::optional<Url> make(std::string_view text);
    /// A "file://" URL for an absolute path, with the path percent-encoded.
    static Url fileUrl(const std::filesystem::path& path);

    const std::string& absoluteString() const { return m_string; }

    /// As written (not lower-cased); none for a relative reference.
    std::optional<std::string> scheme() const;
    /// Percent-decoded, without the brackets of an IP literal; none when the URL has no
    /// authority or an empty host ("file:///x").
    std::optional<std::string> host() const;
    std::optional<int> port() const;
    std::optional<std::string> user() const;
    std::optional<std::string> password() const;

    /// The path as written, percent-encoded; empty when there is none.
    std::string_view percentEncodedPath() const;
    /// The path percent-decoded once (as written where it does not decode to UTF-8); a
    /// trailing "/" is kept.
    std::string path() const;
    /// "/" for an absolute path, then each non-empty segment, percent-decoded.
    std::vector<std::string> pathComponents() const;
    /// The last non-empty path segment, percent-decoded; "/" for a path of slashes only, and
    /// empty for no path.
    std::string lastPathComponent() const;

    /// Without the "?", percent-encoded; none when there is no "?", empty for a bare "?".
    std::optional<std::string> query() const;
    /// Without the "#", percent-encoded; none when there is no "#".
    std::optional<std::string> fragment() const;

    bool operator==(const Url& other) const { return m_string == other.m_string; }

private:
    friend class UrlComponents;
    struct Range {
        std::size_t begin = 0;
        std::size_t end = 0;
        bool present = false;
    };
    Url() = default;
    std::optional<std::string> component(const Range& range) const;

    std::string m_string;
    Range m_scheme;
    Range m_userInfo;
    Range m_host;
    Range m_port;
    Range m_path;
    Range m_query;
    Range m_fragment;
};

/// One item of a URL query: "name=value", or "name" alone, which has no value (unlike
/// "name=", whose value is empty).
struct UrlQueryItem {
    std::string name;
    std::optional<std::string> value;

    bool operator==(const UrlQueryItem&) const = default;
};

/// The parts of a URL, percent-encoded as they appear in it, with decoded views and the
/// query split into items. Splitting never resolves the URL against a base.
class UrlComponents {
public:
    UrlComponents() = default;
    explicit UrlComponents(const Url& url);
    /// Parses `text` as `Url::make` does.
    static std::optional<UrlComponents> make(std::string_view text);

    std::optional<std::string> scheme;
    std::optional<std::string> percentEncodedUser;
    std::optional<std::string> percentEncodedPassword;
    std::optional<std::string> percentEncodedHost;
    std::optional<int> port;
    std::string percentEncodedPath;
    std::optional<std::string> percentEncodedQuery;
    std::optional<std::string> percentEncodedFragment;

    std::optional<std::string> host() const;
    std::string path() const;
    std::optional<std::string> fragment() const;

    /// The query split at "&", each piece at its first "=", names and values percent-decoded
    /// once ("+" stays "+"); a piece that does not decode to UTF-8 is kept as written. None
    /// when there is no query, empty for an empty query.
    std::optional<std::vector<UrlQueryItem>> queryItems() const;
    /// The first item with exactly this (decoded) name.
    std::optional<UrlQueryItem> firstQueryItem(std::string_view name) const;

    /// The URL text these parts make, and that text parsed; none when it does not parse. The
    /// port is written as a number: "host:/" loses its ":" and "host:080" becomes "host:80".
    std::string string() const;
    std::optional<Url> url() const;

    bool operator==(const UrlComponents&) const = default;
};

}

template <> struct std::hash<tvk::Url> {
    size_t operator()(const tvk::Url& url) const noexcept { return std::hash<std::string>()(url.absoluteString()); }
};
