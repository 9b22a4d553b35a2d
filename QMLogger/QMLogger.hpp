#pragma once

#include "QMLogger/LogCategory.hpp"
#include "QMLogger/LogTarget.hpp"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tvk {

/// The process-wide logger: four levels, optional categories, an in-memory ring of the newest
/// `maxLogLines` lines, echo to standard output, and an optional target told about every new
/// line on the main queue.
///
/// Logging is off until started; the on/off state is remembered in the standard domain under
/// "QMLogger.isLogging". A rejected message (logging off, or below `minimumLevel`) costs two
/// atomic reads. Accepted lines are built, kept and printed on one serial queue ("log"); the
/// caller waits for its line, so lines keep the order in which callers reached the queue.
///
/// Lines read: date, " ", level label, " [category]" when there is one, ": ", message. The
/// date uses the pattern "yyyy-MM-dd HH:mm:ss" in the current locale and time zone: a 24-hour
/// clock, since a 12-hour hour without an AM/PM marker would write 01:00 and 13:00 alike.
class QMLogger {
public:
    enum class Level : int { debug = 0, info = 1, warning = 2, error = 3 };
    enum class Force : bool { no = false, yes = true };

    static std::optional<Level> levelFromRawValue(int rawValue);
    /// "🟢 DEBUG", "🔵 INFO", "🟡 WARNING", "🔴 ERROR".
    static std::string_view label(Level level);

    static void log(std::string_view message, Level level, const std::optional<LogCategory>& category = std::nullopt);

    static void debug(const LogCategory& category, std::string_view message) { log(message, Level::debug, category); }
    static void debug(std::string_view message) { log(message, Level::debug); }
    static void info(const LogCategory& category, std::string_view message) { log(message, Level::info, category); }
    static void info(std::string_view message) { log(message, Level::info); }
    static void warning(const LogCategory& category, std::string_view message) { log(message, Level::warning, category); }
    static void warning(std::string_view message) { log(message, Level::warning); }
    static void error(const LogCategory& category, std::string_view message) { log(message, Level::error, category); }
    static void error(std::string_view message) { log(message, Level::error); }

    /// With `Force::yes` turns logging on and remembers that; otherwise restores the
    /// remembered state (off when nothing is stored) and stores it back.
    static void start(Force force);
    static void stop();
    /// Empties the kept lines; the target is not told.
    static void clear();

    static bool isLogging();
    /// Also remembers the new state in the standard domain.
    static void setIsLogging(bool isLogging);
    static Level minimumLevel();
    static void setMinimumLevel(Level level);
    static int maxLogLines();
    static void setMaxLogLines(int maxLogLines);
    static std::shared_ptr<LogTarget> logTarget();
    static void setLogTarget(std::shared_ptr<LogTarget> target);

    static std::vector<std::string> logMessages();
    static std::string logString();

    static constexpr char isLoggingKey[] = "QMLogger.isLogging";
};

}
