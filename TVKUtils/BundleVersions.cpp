#include "TVKUtils/BundleVersions.hpp"

#include "TVKUtils/BundleVersion.hpp"

namespace tvk {

namespace {

std::optional<std::string> nonEmpty(std::string_view value)
{
    return value.empty() ? std::nullopt : std::optional<std::string>(value);
}

}

std::optional<std::string> bundleVersionString()
{
    return nonEmpty(generated::bundleVersion);
}

std::optional<std::string> shortVersionString()
{
    return nonEmpty(generated::shortVersion);
}

}
