#pragma once

#include <functional>
#include <string_view>

namespace tvk {

/// Where the platform layer reports what it cannot hand back as a value (a settings file moved
/// aside, a regular expression that ran out of time). Platform code never depends on the
/// program's logger; programs that want these lines elsewhere install a sink. Without one,
/// lines go to standard error as "tarvik [category]: message".
class PlatformLog {
public:
    enum class Level { debug, info, warning, error };
    using Sink = std::function<void(Level, std::string_view category, std::string_view message)>;

    /// Replaces the sink; an empty function restores the standard-error sink. Thread-safe.
    static void setSink(Sink sink);
    static void write(Level level, std::string_view category, std::string_view message);
    static void warning(std::string_view category, std::string_view message) { write(Level::warning, category, message); }
    static void error(std::string_view category, std::string_view message) { write(Level::error, category, message); }
};

}
