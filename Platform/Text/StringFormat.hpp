#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <tl/expected.hpp>
#include <variant>
#include <vector>

namespace tvk {

/// One argument of a format: a text or an integer.
class FormatArgument {
public:
    FormatArgument(std::string_view text)
        : m_value(std::string(text))
    {
    }
    FormatArgument(const char* text)
        : m_value(std::string(text ? text : ""))
    {
    }
    FormatArgument(const std::string& text)
        : m_value(text)
    {
    }
    FormatArgument(std::int64_t integer)
        : m_value(integer)
    {
    }
    FormatArgument(int integer)
        : m_value(static_cast<std::int64_t>(integer))
    {
    }

    bool isInteger() const { return std::holds_alternative<std::int64_t>(m_value); }
    /// The text, or the integer in decimal.
    std::string text() const;
    /// The integer, or a text that reads as one in full; none otherwise.
    std::optional<std::int64_t> integer() const;

    bool operator==(const FormatArgument&) const = default;

private:
    std::variant<std::string, std::int64_t> m_value;
};

/// What a placeholder wants.
enum class FormatArgumentKind {
    text, // %@, %s
    integer, // %d, %i, %u, %x, %X, %o, %c with any length modifier (%lld, %ld, %hd, %zu ...)
};

/// Texts with printf-style placeholders as the platform's string catalogs write them: "%@" for
/// a text, "%d"/"%i"/"%lld" and friends for an integer, "%%" for a percent sign, and positional
/// forms ("%2$@ %1$d") so that translations may reorder the arguments. Flags ("-", "0", "+",
/// " ") and a width apply to integers and texts alike.
///
/// Catalog texts are outside input (a translator's file), so formatting never fails: a
/// placeholder without an argument stays as written ("50% off" survives a call without
/// arguments), an integer placeholder given a text that
/// is not a number shows the text, a text placeholder given an integer shows its digits, and
/// an unknown conversion stays in the output as written. Integers are written with ASCII
/// digits and no grouping, as the platform's format does.
class StringFormat {
public:
    /// The kinds of the arguments that `format` reads, in argument order (positional
    /// placeholders decide where theirs go). An error when a positional index is out of
    /// range, when one argument is wanted as two kinds, or when an argument in the middle is
    /// never used (a function made from the text could not name it).
    static tl::expected<std::vector<FormatArgumentKind>, std::string> argumentKinds(std::string_view format);

    static std::string format(std::string_view format, std::span<const FormatArgument> arguments);

    /// The number that chooses among a text's plural forms: its first integer argument; none
    /// when it has none.
    static std::optional<std::int64_t> pluralCount(std::span<const FormatArgument> arguments);
    static std::string format(std::string_view format, std::initializer_list<FormatArgument> arguments)
    {
        return StringFormat::format(format, std::span<const FormatArgument>(arguments.begin(), arguments.size()));
    }
};

}
