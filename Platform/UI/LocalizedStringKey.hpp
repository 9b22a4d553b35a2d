#pragma once

#include "Platform/Text/StringFormat.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tvk::ui {

/// A key of the string catalog with the values interpolated into it, as `Text` takes it. The
/// environment's `localize` function turns it into the text shown (`StringTableLocalizer` looks
/// it up in a string table, in the form its count takes); without one, the key itself is the
/// format.
struct LocalizedStringKey {
    using Argument = FormatArgument;

    std::string key;
    std::vector<Argument> arguments;

    LocalizedStringKey() = default;
    explicit LocalizedStringKey(std::string key, std::vector<Argument> arguments = {})
        : key(std::move(key))
        , arguments(std::move(arguments))
    {
    }

    /// Fills the printf-style placeholders of `format` with `arguments` as the catalog does
    /// (`StringFormat`), then replaces automatic-agreement markup ("^[3 more events](inflect:
    /// true)") by its text as written: the words agree with the number only through a string
    /// table's plural forms. Never fails.
    static std::string format(std::string_view format, const std::vector<Argument>& arguments);

    /// The key formatted with its own arguments: what a missing catalog shows.
    std::string formattedKey() const { return format(key, arguments); }
    /// The number that chooses the key's plural form: its first integer argument.
    std::optional<std::int64_t> pluralCount() const { return StringFormat::pluralCount(arguments); }

    bool operator==(const LocalizedStringKey&) const = default;
};

}
