#pragma once

#include "Platform/Runtime/Color.hpp"

#include <string>

namespace tvk {

/// One reminder list as the settings screens list it.
struct UserReminderList {
    /// The store's calendar identifier; also the value's identity.
    std::string identifier;
    std::string name;
    Color color;
    /// The identifier is among the user's active reminder lists.
    bool active = false;
    /// The title of the list's account.
    std::string accountName;

    const std::string& id() const { return identifier; }
    bool operator==(const UserReminderList&) const = default;
};

}
