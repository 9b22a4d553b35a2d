#pragma once

// Header-only helpers for tests that start applications.

#include "Tests/Support/TemporaryDirectory.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <vector>

namespace tvk::test {

/// An application bundle (AppDir) whose `AppRun` appends one line per run to a record file:
/// "<AppRun path as started>|<number of arguments>|<session id>|<DESKTOP_STARTUP_ID or unset>".
class FakeApplicationBundle {
public:
    FakeApplicationBundle(std::filesystem::path bundle, std::filesystem::path record)
        : m_bundle(std::move(bundle))
        , m_record(std::move(record))
    {
        std::filesystem::create_directories(m_bundle);
        auto appRun = m_bundle / "AppRun";
        std::ofstream script(appRun);
        script << "#!/bin/sh\n"
               << "read -r stat < /proc/$$/stat\n"
               << "set -- \"$0\" \"$#\" $stat\n"
               // Fields after the command name: state, parent, process group, session.
               << "printf '%s|%s|%s|%s\\n' \"$1\" \"$2\" \"$8\" \"${DESKTOP_STARTUP_ID-unset}\" >> " << quoted(m_record) << "\n";
        script.close();
        std::filesystem::permissions(appRun, std::filesystem::perms::owner_all);
    }

    const std::filesystem::path& path() const { return m_bundle; }

    /// The recorded runs, one line each.
    std::vector<std::string> runs() const
    {
        std::vector<std::string> lines;
        std::ifstream file(m_record);
        for (std::string line; std::getline(file, line);)
            lines.push_back(line);
        return lines;
    }

private:
    static std::string quoted(const std::filesystem::path& path)
    {
        std::string result = "'";
        for (char c : path.string())
            result += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return result + "'";
    }

    std::filesystem::path m_bundle;
    std::filesystem::path m_record;
};

/// Makes the test process adopt the processes its children leave behind (a detached
/// application is re-parented to the nearest such ancestor), so that a test can wait until
/// every process it started, directly or not, has finished.
class DescendantReaper {
public:
    DescendantReaper() { EXPECT_EQ(::prctl(PR_SET_CHILD_SUBREAPER, 1), 0); }
    ~DescendantReaper() { ::prctl(PR_SET_CHILD_SUBREAPER, 0); }

    /// Waits for every descendant to end; returns how many there were.
    int waitForAll()
    {
        int count = 0;
        while (true) {
            int status = 0;
            pid_t pid = ::waitpid(-1, &status, 0);
            if (pid > 0) {
                ++count;
                continue;
            }
            if (errno == EINTR)
                continue;
            return count;
        }
    }
};

}
