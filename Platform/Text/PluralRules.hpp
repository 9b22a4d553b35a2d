#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace tvk {

/// The plural categories of Unicode's CLDR: which form of a word goes with a number. English
/// and German use `one` and `other`, Russian and Polish `one`, `few`, `many` and `other`,
/// Arabic all six.
enum class PluralCategory { zero, one, two, few, many, other };

/// ICU's plural rules, and how string tables hold the forms of a text that depends on a number.
///
/// A table holds one entry per category the language uses, the key followed by "|" and the
/// category's name:
///
///     "TimeFormat.spoken.daysIn|one" = "day";
///     "TimeFormat.spoken.daysIn|other" = "days";
///
/// A translator fills the categories of their language (Russian adds "|few" and "|many").
/// Every language has `other`; a category without an entry takes the `other` entry, and a
/// table may still give a plain "key" entry, which serves every number.
class PluralRules {
public:
    static constexpr char keySeparator = '|';

    /// The category of the whole number `count` in `language`, an ICU or BCP 47 identifier
    /// ("de", "pt-BR", "ru_RU", "zh-Hant"). Rules are made once per language and shared;
    /// safe from any thread. A language ICU has no rules for has only `other`.
    static PluralCategory category(std::string_view language, std::int64_t count);

    static std::string_view name(PluralCategory category);
    static std::optional<PluralCategory> categoryNamed(std::string_view name);

    /// "key|one" for (key, one).
    static std::string entryKey(std::string_view key, PluralCategory category);
    /// The key and category of a plural entry's key ("key|few" → key, few); none for a plain key
    /// or an unknown category.
    static std::optional<std::pair<std::string_view, PluralCategory>> splitEntryKey(std::string_view entryKey);
};

/// One form of a text that depends on a number, as generated code carries the English forms.
struct PluralForm {
    PluralCategory category;
    std::string_view text;
};

/// The form for `category`, else the `other` form, else the last; empty for no forms.
std::string_view selectPluralForm(std::span<const PluralForm> forms, PluralCategory category);

}
