// Files written whole or not at all.

#include "Platform/Runtime/FileReplacement.hpp"
#include "Tests/Support/TemporaryDirectory.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

using namespace tvk;

namespace {

std::string contents(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

}

TEST(FileReplacement, ReplacesTheWholeFileAndLeavesNoTemporaryFile)
{
    test::TemporaryDirectory directory;
    auto path = directory / "tree.json";
    ASSERT_TRUE(FileReplacement::write(path, "{\"size\": [170, 170]}\n"));
    ASSERT_TRUE(FileReplacement::write(path, "{}"));
    EXPECT_EQ(contents(path), "{}");
    EXPECT_FALSE(std::filesystem::exists(FileReplacement::temporaryPath(path)));
}

TEST(FileReplacement, AFailedWriteKeepsWhatWasThere)
{
    test::TemporaryDirectory directory;
    auto missing = FileReplacement::write(directory / "missing" / "tree.json", "{}");
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().rfind("cannot write " + (directory / "missing" / "tree.json").string(), 0), 0u) << missing.error();

    // A directory where the file should go: the rename fails, the directory stays, the
    // temporary file goes.
    auto occupied = directory / "occupied";
    std::filesystem::create_directories(occupied / "inside");
    EXPECT_FALSE(FileReplacement::write(occupied, "{}"));
    EXPECT_TRUE(std::filesystem::is_directory(occupied / "inside"));
    EXPECT_FALSE(std::filesystem::exists(FileReplacement::temporaryPath(occupied)));
}
