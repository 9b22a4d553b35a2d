#pragma once

#include "Platform/Text/RegularExpression.hpp"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace tvk {

/// One link found in a text.
struct DetectedLink {
    /// The bytes of the text that the link was read from.
    TextRange range;
    /// The link as meant: HTML character references decoded, "http://" in front of a bare
    /// host name and "mailto:" in front of an e-mail address. Valid UTF-8, but not checked to
    /// be a valid URL.
    std::string url;

    bool operator==(const DetectedLink&) const = default;
};

/// Finds links in free text the way the platform's link data detector does, for invitation
/// texts in particular: plain text, HTML, and what mail programs make of both.
///
/// Recognised, in order of appearance:
/// - URLs with a scheme followed by "//" (any scheme, such as "https", "zoommtg",
///   "ts3server"), and "mailto:", "tel:", "sip:", "msteams:" and a few other call schemes
///   without it. A web URL needs a host.
/// - Bare host names whose last label is a known top-level domain ("zoom.us/j/1",
///   "www.example.org"), with an optional port, path, query and fragment; reported as
///   "http://…".
/// - E-mail addresses, reported as "mailto:…".
/// - The href of every HTML tag (`<a href="…">`), with character references such as "&amp;"
///   decoded; the same link written again as the anchor's text is not reported twice. Other
///   attributes, comments, and the contents of `<style>` and `<script>` are skipped.
///
/// A link starts only after a character that cannot be part of a word or host, or after a
/// letter of a script written without spaces (Han, kana, Hangul, Thai and the like); a known
/// scheme ("http", "https", "zoommtg", "msteams", "ts3server") also starts one right after
/// letters glued to it ("Meetinghttps://…" gives "https://…"). A link ends at white space, a
/// control character, invalid UTF-8, `<`, `>`, `"`, a backtick, a quote that opened it,
/// typographic quotes, CJK and full-width punctuation, and a closing parenthesis or bracket
/// that it did not open; a link written in ASCII also ends where a letter of a script without
/// spaces begins, while a host label or path segment that starts with such letters carries
/// on. Trailing sentence punctuation (`.,;:!?'`) is not part of it, nor are trailing `*`,
/// `_` and `-` where the link ends the text or white space or a tag follows.
///
/// Immutable once made, so one detector serves any number of threads. The work is linear in
/// the length of the text.
class LinkDetector {
public:
    /// Lower-case ASCII labels, or UTF-8 for internationalised domains.
    using TopLevelDomains = std::unordered_set<std::string>;

    /// With no top-level domains, bare host names are recognised only when they start with
    /// "www." and e-mail domains need an alphabetic last label.
    explicit LinkDetector(TopLevelDomains topLevelDomains);

    /// The process-wide detector over the system's public suffix list, made on first use.
    /// When the list cannot be read, that is reported once and the detector works without it.
    static const LinkDetector& shared();

    /// The last labels of the rules of a public suffix list (the format of
    /// publicsuffix.org); none when the file cannot be read or holds no rule.
    static std::optional<TopLevelDomains> loadTopLevelDomains(const std::filesystem::path& publicSuffixList);
    /// Where Debian's "publicsuffix" package installs the list.
    static constexpr char systemPublicSuffixList[] = "/usr/share/publicsuffix/public_suffix_list.dat";

    /// Where an href leads when it is a redirect, as a URL text; none when it is not one.
    using RedirectTarget = std::function<std::optional<std::string>(std::string_view href)>;

    /// The links of `text`. With `redirectTarget`, an anchor whose text names the place its
    /// href redirects to is reported once, by its href.
    std::vector<DetectedLink> matches(std::string_view text, const RedirectTarget& redirectTarget = {}) const;

    /// Whether `label` (any letter case) is a known top-level domain.
    bool isTopLevelDomain(std::string_view label) const;

private:
    class Scanner;
    TopLevelDomains m_topLevelDomains;
};

}
