// A program's autostart entry in a temporary home: what GIO reads back from it, and the user's
// entry overriding one the system installed.

#include "Platform/Desktop/AutostartEntry.hpp"
#include "Tests/Support/ScopedEnvironment.hpp"
#include "Tests/Support/TemporaryDirectory.hpp"

#include <gio/gdesktopappinfo.h>
#include <gtest/gtest.h>

#include <fstream>

using namespace tvk;

namespace {

class AutostartEntryTest : public testing::Test {
protected:
    test::TemporaryDirectory directory;
    test::ScopedEnvironment environment { "XDG_CONFIG_HOME", (directory.path() / "config").string() };
    std::filesystem::path system = directory.path() / "system";
    /// A program whose path needs quoting in Exec.
    std::filesystem::path program = directory.path() / "My Apps" / "widgets$1";
    AutostartEntry entry { "com.example.Widgets", "Widgets", "Shows the widgets", { program.string(), "--from", "100%" } };

    void SetUp() override
    {
        environment.set("XDG_CONFIG_DIRS", system.string());
        std::filesystem::create_directories(program.parent_path());
        std::ofstream(program) << "#!/bin/sh\n";
        std::filesystem::permissions(program, std::filesystem::perms::owner_all);
    }

    void install(const std::string& extra)
    {
        std::filesystem::create_directories(system / "autostart");
        std::ofstream(system / "autostart" / "com.example.Widgets.desktop")
            << "[Desktop Entry]\nType=Application\nName=Widgets\nExec=/usr/bin/widgets\n" << extra;
    }
};

}

TEST_F(AutostartEntryTest, EnablingWritesAnEntryWhoseCommandGioReadsBackWordForWord)
{
    EXPECT_FALSE(entry.isEnabled());
    ASSERT_TRUE(entry.enable());
    EXPECT_TRUE(entry.isEnabled());
    GDesktopAppInfo* info = g_desktop_app_info_new_from_filename(entry.userFile().c_str());
    ASSERT_NE(info, nullptr);
    gchar** argv = nullptr;
    gint argc = 0;
    ASSERT_TRUE(g_shell_parse_argv(g_app_info_get_commandline(G_APP_INFO(info)), &argc, &argv, nullptr));
    std::vector<std::string> words(argv, argv + argc);
    // GIO hands the command line on before expanding field codes, where "%%" becomes "%".
    EXPECT_EQ(words, (std::vector<std::string> { program.string(), "--from", "100%%" }));
    g_strfreev(argv);
    g_object_unref(info);

    ASSERT_TRUE(entry.disable());
    EXPECT_FALSE(std::filesystem::exists(entry.userFile()));
    EXPECT_FALSE(entry.isEnabled());
}

TEST_F(AutostartEntryTest, AnInstalledInactiveEntryIsTurnedOnAndOffForTheUserAlone)
{
    install("X-GNOME-Autostart-enabled=false\n");
    EXPECT_FALSE(entry.isEnabled());
    ASSERT_TRUE(entry.enable());
    EXPECT_TRUE(entry.isEnabled());
    ASSERT_TRUE(entry.disable());
    EXPECT_FALSE(entry.isEnabled());
    EXPECT_FALSE(std::filesystem::exists(entry.userFile())) << "the installed entry is off by itself";
}

TEST_F(AutostartEntryTest, DisablingHidesAnInstalledActiveEntry)
{
    install("");
    EXPECT_TRUE(entry.isEnabled());
    ASSERT_TRUE(entry.disable());
    EXPECT_FALSE(entry.isEnabled());
    EXPECT_TRUE(std::filesystem::exists(entry.userFile()));
    EXPECT_TRUE(std::filesystem::exists(system / "autostart" / "com.example.Widgets.desktop")) << "the system's file is left alone";
}
