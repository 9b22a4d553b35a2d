#pragma once

#include "Platform/Runtime/Color.hpp"

#include <string>

namespace tvk {

/// One event calendar as the settings screens list it.
struct UserCalendar {
    /// The store's calendar identifier; also the value's identity.
    std::string identifier;
    std::string name;
    Color color;
    /// The identifier is among the user's active calendars.
    bool active = false;
    /// The title of the calendar's account.
    std::string accountName;
    /// The account was delegated to the user by someone else.
    bool isDelegate = false;

    const std::string& id() const { return identifier; }
    bool operator==(const UserCalendar&) const = default;
};

}
