#include "Platform/Desktop/Bundle.hpp"

#include "Platform/Runtime/StandardPaths.hpp"

#include <mutex>

namespace tvk {

namespace {

std::mutex mainMutex;
std::optional<Bundle> installedMain;

}

Bundle::Bundle(std::optional<std::filesystem::path> bundlePath)
{
    if (bundlePath && !bundlePath->empty()) {
        std::error_code error;
        auto absolute = std::filesystem::absolute(*bundlePath, error);
        if (!error) {
            absolute = absolute.lexically_normal();
            // "/x/H.app/" names the same directory as "/x/H.app"; keep one spelling.
            if (!absolute.has_filename() && absolute.has_relative_path())
                absolute = absolute.parent_path();
            m_bundlePath = absolute;
        }
    }
}

Bundle Bundle::main()
{
    {
        std::lock_guard lock(mainMutex);
        if (installedMain)
            return *installedMain;
    }
    // The kernel's link names the executable itself, whatever symbolic link it was started
    // through; an empty answer means it cannot be located.
    auto executable = StandardPaths::executablePath();
    if (executable.empty() || !executable.is_absolute())
        return Bundle(std::nullopt);
    return Bundle(executable.parent_path());
}

void Bundle::setMain(std::optional<Bundle> bundle)
{
    std::lock_guard lock(mainMutex);
    installedMain = std::move(bundle);
}

}
