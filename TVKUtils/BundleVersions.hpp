#pragma once

#include <optional>
#include <string>

namespace tvk {

/// The program's build number ("CFBundleVersion"); none when the build recorded none.
std::optional<std::string> bundleVersionString();
/// The program's version as users see it ("CFBundleShortVersionString"), e.g. "0.1.0".
std::optional<std::string> shortVersionString();

}
