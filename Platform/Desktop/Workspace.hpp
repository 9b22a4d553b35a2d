#pragma once

#include <functional>
#include <mutex>
#include <string>

namespace tvk {

/// Hands URIs to the desktop: the user's default handler for the scheme opens them (a browser
/// for https, the mail program for mailto, the main application for its own scheme), through
/// GIO, never through a shell.
class Workspace {
public:
    static Workspace& shared();

    /// Asks the desktop to open `uri` and returns whether a handler accepted it. Failures
    /// (no handler for the scheme, a text that is not a URI) are reported through
    /// `PlatformLog` and as false; they never stop the program.
    bool open(const std::string& uri);

    /// Replaces the desktop with `opener` (tests, headless runs); an empty function restores
    /// the desktop.
    using Opener = std::function<bool(const std::string& uri)>;
    void setOpener(Opener opener);

private:
    std::mutex m_mutex;
    Opener m_opener;
};

}
