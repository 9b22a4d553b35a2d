#pragma once

#include "Platform/Runtime/NotificationCenter.hpp"

#include <atomic>

namespace tvk {

/// What a program without windows hands its main loop: told once when launching has
/// finished, on the main queue.
class ApplicationDelegate {
public:
    virtual ~ApplicationDelegate() = default;
    /// `notification` is named "ApplicationDidFinishLaunching"; it carries nothing else.
    virtual void applicationDidFinishLaunching(const Notification& notification) = 0;
};

/// A program's main loop: the main queue, GLib sources and D-Bus traffic run on it until the
/// program is asked to quit. SIGTERM (the session ending), SIGINT and SIGHUP ask it to quit
/// too, so that the program ends through `run` returning rather than by the signal.
class Application {
public:
    /// The program's application.
    static Application& shared();

    Application() = default;
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    /// On the main thread: calls `delegate.applicationDidFinishLaunching` from the main queue,
    /// then runs the main loop until `terminate()`. Returns at once when termination was
    /// asked for before.
    void run(ApplicationDelegate& delegate);

    /// Asks the loop to end; from any thread, at any time, also before `run` or inside the
    /// delegate's launch. The request is kept: `run` will not start again.
    void terminate();

    /// Whether `terminate()` has been called.
    bool isTerminating() const { return m_terminating.load(); }

private:
    void wakeLoop();

    std::atomic<bool> m_terminating = false;
};

}
