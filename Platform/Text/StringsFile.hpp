#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tvk {

/// A string table in the platform's ".strings" format, as translators and tools write it:
///
///     /* A comment */
///     "TimeFormat.until" = "until %@";
///     // another comment
///     "key" = "value with \"quotes\", \n, \t, \\ and \U00E9";
///     unquotedKey = "value";
///     "key only";            (the value is the key itself)
///
/// The text is UTF-8 (a UTF-8 byte-order mark is skipped) or UTF-16 with a byte-order mark, as
/// older tools save these files. Bytes that are not valid UTF-8 read as U+FFFD. When a key
/// appears twice, the later entry wins.
///
/// Reading never fails as a whole: a syntax error stops the reading there, the entries before
/// it are kept, and the error says on which line and why, so that one broken line in a
/// translation costs the texts after it, not the whole language.
struct StringsFile {
    struct Entry {
        std::string key;
        std::string value;
        std::size_t line = 0;
        bool operator==(const Entry&) const = default;
    };
    struct Error {
        std::size_t line = 0;
        std::string message;
        bool operator==(const Error&) const = default;
    };

    /// In file order, duplicates included.
    std::vector<Entry> entries;
    std::optional<Error> error;

    static StringsFile parse(std::string_view data);
};

}
