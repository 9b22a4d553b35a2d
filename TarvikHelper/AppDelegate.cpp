#include "TarvikHelper/AppDelegate.hpp"

#include "Platform/Desktop/Bundle.hpp"
#include "Platform/Desktop/DistributedNotificationCenter.hpp"
#include "Platform/Desktop/RunningApplications.hpp"
#include "Platform/Desktop/Workspace.hpp"
#include "Platform/Runtime/PlatformLog.hpp"

#include <vector>

namespace tvk {

namespace {

constexpr const char* logCategory = "TarvikHelper";

// The helper bundle, LoginItems, Library and Contents.
constexpr size_t levelsBelowMainBundle = 4;

}

AppDelegate::AppDelegate(Application& application)
    : m_application(application)
{
}

AppDelegate::~AppDelegate()
{
    DistributedNotificationCenter::defaultCenter().removeObserver(this);
}

const std::string& AppDelegate::killLauncher()
{
    static const std::string name = "killLauncher";
    return name;
}

std::optional<std::filesystem::path> AppDelegate::mainApplicationBundlePath(const std::filesystem::path& helperBundlePath)
{
    if (!helperBundlePath.is_absolute())
        return std::nullopt;
    std::vector<std::filesystem::path> names;
    for (const auto& component : helperBundlePath.lexically_normal().relative_path()) {
        // A trailing separator shows up as an empty name.
        if (!component.empty())
            names.push_back(component);
    }
    if (names.size() <= levelsBelowMainBundle)
        return std::nullopt;
    // Only a helper that sits where the packaging puts login items may start what lies four
    // levels up; a copy elsewhere (a build tree, a download folder) would otherwise run
    // whatever AppRun happens to be there.
    size_t helperIndex = names.size() - 1;
    if (names[helperIndex - 3] != "Contents" || names[helperIndex - 2] != "Library" || names[helperIndex - 1] != "LoginItems")
        return std::nullopt;
    std::filesystem::path mainBundle = helperBundlePath.root_path();
    for (size_t index = 0; index < names.size() - levelsBelowMainBundle; ++index)
        mainBundle /= names[index];
    return mainBundle;
}

void AppDelegate::applicationDidFinishLaunching(const Notification&)
{
    if (!RunningApplications::withBundleIdentifier(mainAppBundleIdentifier).empty()) {
        PlatformLog::write(PlatformLog::Level::info, logCategory, mainAppBundleIdentifier + " runs already; nothing to do");
        terminate();
        return;
    }

    auto helperBundle = Bundle::main().bundlePath();
    auto mainBundle = helperBundle ? mainApplicationBundlePath(*helperBundle) : std::nullopt;
    if (!mainBundle) {
        PlatformLog::error(logCategory,
            helperBundle ? "the helper at " + helperBundle->string()
                    + " is not in an application bundle's Contents/Library/LoginItems; not starting anything"
                         : std::string("cannot locate the helper's own bundle; not starting anything"));
        terminate();
        return;
    }

    // Observe before opening: the main application may announce itself before the open
    // request returns.
    bool canHearMainApplication = DistributedNotificationCenter::defaultCenter()
                                      .addObserver(*this, &AppDelegate::terminate, killLauncher(), mainAppBundleIdentifier)
                                      .has_value();
    Workspace::shared().openApplication(Workspace::fileURL(*mainBundle));

    // Without a session bus the main application cannot tell the helper to quit, so waiting
    // would only keep a useless process until logout.
    if (!canHearMainApplication)
        terminate();
}

void AppDelegate::terminate()
{
    m_application.terminate();
}

}
