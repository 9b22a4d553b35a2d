#pragma once

#include "Platform/Text/StringFormat.hpp"

#include <string>
#include <string_view>
#include <vector>

namespace tvk::ui {

/// A key of the string catalog with the values interpolated into it, as `Text` takes it. The
/// environment's `localize` function turns it into the text shown; without one, the key itself
/// is the format.
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
    /// true)") by its text. Never fails.
    static std::string format(std::string_view format, const std::vector<Argument>& arguments);

    /// The key formatted with its own arguments: what a missing catalog shows.
    std::string formattedKey() const { return format(key, arguments); }

    bool operator==(const LocalizedStringKey&) const = default;
};

}
