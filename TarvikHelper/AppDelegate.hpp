#pragma once

#include "Platform/Desktop/Application.hpp"

#include <filesystem>
#include <optional>
#include <string>

namespace tvk {

/// The login helper's delegate. Started at login, it starts the main application unless that
/// already runs, then waits until the main application posts "killLauncher" and quits.
class AppDelegate : public ApplicationDelegate {
public:
    /// `application` is the loop that `terminate()` ends.
    explicit AppDelegate(Application& application = Application::shared());
    ~AppDelegate() override;
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    /// The main application's bundle identifier: the D-Bus name it owns while it runs, and the
    /// only sender whose "killLauncher" the helper obeys.
    const std::string mainAppBundleIdentifier = "com.quillmoor.tarvik";

    /// The name of the distributed notification that tells the helper to quit.
    static const std::string& killLauncher();

    /// The launch: quits at once when the main application runs; otherwise observes
    /// "killLauncher" from the main application, then opens the main application's bundle,
    /// four directory levels above the helper's own, and keeps running.
    void applicationDidFinishLaunching(const Notification& notification) override;

    /// Asks the application to quit.
    void terminate();

    /// The main application's bundle for a helper bundle at `helperBundlePath`: the path
    /// with its last four components removed (".../X.app/Contents/Library/LoginItems/H.app"
    /// gives ".../X.app"). None unless the helper sits where it belongs: an absolute path
    /// whose three directories above the helper's are Contents, Library and LoginItems, below
    /// a bundle directory that is not the root.
    static std::optional<std::filesystem::path> mainApplicationBundlePath(const std::filesystem::path& helperBundlePath);

private:
    Application& m_application;
};

}
