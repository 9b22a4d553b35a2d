#pragma once

#include <string>

namespace tvk {

/// The subsystem a log line belongs to; printed in brackets after the level label. Modules
/// add their own categories as constants next to the code that logs.
struct LogCategory {
    std::string name;

    explicit LogCategory(std::string categoryName)
        : name(std::move(categoryName))
    {
    }

    bool operator==(const LogCategory&) const = default;
};

}
