#pragma once

#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace tvk {

/// One running application as the session bus sees it.
struct RunningApplication {
    /// The well-known bus name the application owns, equal to its bundle identifier.
    std::string bundleIdentifier;
    /// The owner's unique connection name (":1.42").
    std::string uniqueBusName;
    /// The owner's process, when the bus daemon could tell.
    std::optional<pid_t> processIdentifier;

    bool operator==(const RunningApplication&) const = default;
};

/// Finds running applications. On this platform an application runs when its well-known
/// D-Bus name, its bundle identifier ("com.quillmoor.tarvik"), has an owner on the session
/// bus: that is how a single-instance GApplication announces itself, and the bus grants a
/// well-known name to one connection at a time.
class RunningApplications {
public:
    /// The applications that own the session-bus name `bundleIdentifier`: none or one. Never
    /// fails: a text that cannot be a well-known bus name, a missing session bus or a bus that
    /// does not answer yield an empty list (the last two are logged). Blocks on a round trip
    /// to the bus daemon; call it where that is acceptable (start-up, tools).
    static std::vector<RunningApplication> withBundleIdentifier(const std::string& bundleIdentifier);
};

}
