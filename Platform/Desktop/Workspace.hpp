#pragma once

#include <filesystem>
#include <functional>
#include <mutex>
#include <string>

namespace tvk {

/// Hands URIs to the desktop: the user's default handler for the scheme opens them (a browser
/// for https, the mail program for mailto, the main application for its own scheme), through
/// GIO, never through a shell. Starts applications from their bundles.
class Workspace {
public:
    static Workspace& shared();

    /// Asks the desktop to open `uri` and returns whether a handler accepted it. Failures
    /// (no handler for the scheme, a text that is not a URI) are reported through
    /// `PlatformLog` and as false; they never stop the program.
    bool open(const std::string& uri);

    /// Whether an application that opens URIs of `scheme` ("zoommtg") is installed: the
    /// user's default for it, or any application that declares the scheme. False for a text
    /// that is no scheme.
    bool hasHandler(const std::string& scheme);

    /// Starts the application whose bundle `bundleURL` (a "file:" URL of a directory) names:
    /// a bundle is an AppDir, and its `AppRun` executable is started with no arguments and no
    /// shell in between, detached from the caller (its own session, adopted by the system
    /// when the caller exits) so that it outlives the caller and is not part of its process
    /// group. Standard input is /dev/null; output and the environment are inherited, less the
    /// caller's start-up notification token. Failures (not a local file URL, no bundle there,
    /// no executable `AppRun`, a failed start) are logged through `PlatformLog` and not
    /// reported to the caller.
    void openApplication(const std::string& bundleURL);

    /// Whether an application is set up to open links of `scheme` ("zoommtg", "msteams"), as
    /// the desktop's associations say now (read afresh on every call).
    bool hasHandler(const std::string& scheme) const;

    /// Starts, without a document, the application the desktop uses for files of
    /// `contentType` ("text/calendar": the user's calendar program). False, with the reason
    /// logged, when none is set up or it could not be started.
    bool openDefaultApplication(const std::string& contentType);

    /// The "file:" URL of an absolute path, percent-encoded ("/My App.app" gives
    /// "file:///My%20App.app"); empty for a relative path.
    static std::string fileURL(const std::filesystem::path& path);

    /// Replaces the desktop with `opener` (tests, headless runs); an empty function restores
    /// the desktop.
    using Opener = std::function<bool(const std::string& uri)>;
    void setOpener(Opener opener);
    /// Replaces the desktop's list of handlers with `lookup` for `hasHandler`; an empty
    /// function restores the desktop.
    using HandlerLookup = std::function<bool(const std::string& scheme)>;
    void setHandlerLookup(HandlerLookup lookup);

private:
    /// A copy of a stand-in taken under the lock, so that it runs without holding it.
    template <typename Function> Function standIn(const Function& member)
    {
        std::lock_guard lock(m_mutex);
        return member;
    }

    std::mutex m_mutex;
    Opener m_opener;
    HandlerLookup m_handlerLookup;
};

}
