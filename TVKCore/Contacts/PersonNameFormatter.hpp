#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tvk {

/// A person's name in parts.
struct PersonNameComponents {
    std::optional<std::string> givenName;
    std::optional<std::string> familyName;

    bool operator==(const PersonNameComponents&) const = default;
};

/// Writes names the way the desktop platform renders them, in two styles: the default ("Ada
/// Lovelace") and initials ("AL": the first user-perceived character of the given and of the
/// family name, as written). Names written in Han, Kana or Hangul read family name first and
/// without a space, in both styles: "山田太郎", "山太". ICU has no person-name formatter in the
/// version used here.
///
/// Immutable; the two shared formatters are made once and safe from any thread.
class PersonNameFormatter {
public:
    enum class Style { defaultStyle = 0, abbreviated = 4 };

    static const PersonNameFormatter& defaultFormatter();
    static const PersonNameFormatter& initialsFormatter();

    explicit PersonNameFormatter(Style style)
        : m_style(style)
    {
    }

    Style style() const { return m_style; }

    /// Given name, then family name, separated by a space (family name first and no space for
    /// names in Han, Kana or Hangul); empty parts left out. In the initials style each part is
    /// reduced to its first character.
    std::string string(const PersonNameComponents& components) const;

    /// The parts of a written name: "Ada" is a given name; "Ada Lovelace" and "Ada King
    /// Lovelace" a given and a family name (first and last word); "Lovelace, Ada" the same
    /// the other way round (family name first), as is "山田 太郎", written in Han, Kana or
    /// Hangul. Words may hold letters, combining marks, apostrophes, hyphens and periods only,
    /// so an e-mail address, a phone number or an emoji is no name: none.
    std::optional<PersonNameComponents> personNameComponents(std::string_view text) const;

private:
    Style m_style;
};

/// The first user-perceived character (grapheme cluster) of a text: a letter with its accents,
/// an emoji with its modifiers; empty for an empty text.
std::string firstGrapheme(std::string_view text);
/// The first `count` user-perceived characters.
std::string leadingGraphemes(std::string_view text, int count);
/// Upper case by the rules of the user's locale.
std::string localizedUppercase(std::string_view text);

}
