#include "QMLogger/QMLogger.hpp"

#include "Platform/Defaults/UserDefaults.hpp"
#include "Platform/Runtime/DispatchQueue.hpp"
#include "Platform/Runtime/ProcessWideState.hpp"

#include <unicode/smpdtfmt.h>
#include <unicode/unistr.h>

#include <atomic>
#include <cstdio>
#include <deque>
#include <mutex>

namespace tvk {

namespace {

std::atomic<bool> loggingEnabled { false };
std::atomic<int> minimumLevelValue { static_cast<int>(QMLogger::Level::info) };
std::atomic<int> maximumLines { 1000 };

std::mutex targetMutex;
std::shared_ptr<LogTarget> currentTarget;

// Everything below is touched only on the log queue.
std::deque<std::string> keptLines;

DispatchQueue& logQueue()
{
    static auto* queue = new DispatchQueue("log");
    return *queue;
}

std::string formattedNow()
{
    // Built on the log queue and used only there: ICU formatters are not thread-safe.
    static std::unique_ptr<icu::SimpleDateFormat> formatter = [] {
        UErrorCode status = U_ZERO_ERROR;
        auto created = std::make_unique<icu::SimpleDateFormat>(icu::UnicodeString("yyyy-MM-dd HH:mm:ss"), status);
        return U_SUCCESS(status) ? std::move(created) : nullptr;
    }();
    if (!formatter)
        return Date::now().description();
    icu::UnicodeString text;
    formatter->format(Date::now().timeIntervalSince1970() * 1000.0, text);
    std::string utf8;
    text.toUTF8String(utf8);
    return utf8;
}

std::string joinedLines()
{
    std::string text;
    for (size_t i = 0; i < keptLines.size(); ++i) {
        if (i)
            text += '\n';
        text += keptLines[i];
    }
    return text;
}

void notifyTarget()
{
    DispatchQueue::main().async([] {
        std::shared_ptr<LogTarget> target;
        {
            std::lock_guard lock(targetMutex);
            target = currentTarget;
        }
        if (target)
            target->logDidChange(QMLogger::logString());
    });
}

void remember(bool isLogging)
{
    (void)UserDefaults::standard().set(QMLogger::isLoggingKey, PropertyList(isLogging));
}

/// Back to how a process starts: off, at the default level and limit, no lines, no target.
/// Nothing is remembered in the defaults: the stored switch is the user's, not the process's.
const ProcessWideState::Registration resettable([] {
    loggingEnabled = false;
    minimumLevelValue = static_cast<int>(QMLogger::Level::info);
    maximumLines = 1000;
    QMLogger::setLogTarget(nullptr);
    QMLogger::clear();
});

}

std::optional<QMLogger::Level> QMLogger::levelFromRawValue(int rawValue)
{
    if (rawValue < 0 || rawValue > 3)
        return std::nullopt;
    return static_cast<Level>(rawValue);
}

std::string_view QMLogger::label(Level level)
{
    switch (level) {
    case Level::debug: return "\U0001F7E2 DEBUG";
    case Level::info: return "\U0001F535 INFO";
    case Level::warning: return "\U0001F7E1 WARNING";
    case Level::error: return "\U0001F534 ERROR";
    }
    return "";
}

void QMLogger::log(std::string_view message, Level level, const std::optional<LogCategory>& category)
{
    if (!loggingEnabled.load(std::memory_order_relaxed))
        return;
    if (minimumLevelValue.load(std::memory_order_relaxed) > static_cast<int>(level))
        return;
    logQueue().sync([&] {
        std::string line = formattedNow();
        line += ' ';
        line += label(level);
        if (category) {
            line += " [";
            line += category->name;
            line += ']';
        }
        line += ": ";
        line += message;
        keptLines.push_back(line);
        line += '\n';
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fflush(stdout);
        if (static_cast<long>(keptLines.size()) > maximumLines.load(std::memory_order_relaxed))
            keptLines.pop_front();
        notifyTarget();
    });
}

void QMLogger::start(Force force)
{
    if (force == Force::yes) {
        loggingEnabled = true;
        remember(true);
        return;
    }
    bool stored = UserDefaults::standard().boolean(isLoggingKey);
    loggingEnabled = stored;
    remember(stored);
}

void QMLogger::stop()
{
    loggingEnabled = false;
    remember(false);
}

void QMLogger::clear()
{
    logQueue().sync([] { keptLines.clear(); });
}

bool QMLogger::isLogging()
{
    return loggingEnabled;
}

void QMLogger::setIsLogging(bool isLogging)
{
    loggingEnabled = isLogging;
    remember(isLogging);
}

QMLogger::Level QMLogger::minimumLevel()
{
    return static_cast<Level>(minimumLevelValue.load());
}

void QMLogger::setMinimumLevel(Level level)
{
    minimumLevelValue = static_cast<int>(level);
}

int QMLogger::maxLogLines()
{
    return maximumLines;
}

void QMLogger::setMaxLogLines(int maxLogLines)
{
    maximumLines = maxLogLines;
}

std::shared_ptr<LogTarget> QMLogger::logTarget()
{
    std::lock_guard lock(targetMutex);
    return currentTarget;
}

void QMLogger::setLogTarget(std::shared_ptr<LogTarget> target)
{
    std::lock_guard lock(targetMutex);
    currentTarget = std::move(target);
}

std::vector<std::string> QMLogger::logMessages()
{
    return logQueue().sync([] { return std::vector<std::string>(keptLines.begin(), keptLines.end()); });
}

std::string QMLogger::logString()
{
    return logQueue().sync([] { return joinedLines(); });
}

}
