#pragma once

#include <string>

namespace tvk {

/// Receives the whole kept log text (all lines joined by "\n") after each new line, on the
/// main queue.
class LogTarget {
public:
    virtual ~LogTarget() = default;
    virtual void logDidChange(const std::string& logText) = 0;
};

}
