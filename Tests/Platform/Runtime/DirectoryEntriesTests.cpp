#include "Platform/Runtime/DirectoryEntries.hpp"

#include "Tests/Support/TemporaryDirectory.hpp"

#include <gtest/gtest.h>

using namespace tvk;
using Kind = DirectoryEntry::Kind;

TEST(DirectoryEntries, ListsByNameWithoutHiddenEntriesAndWithKindsThroughLinks)
{
    tvk::test::TemporaryDirectory directory;
    directory.write("b.ics", "");
    directory.write("a/inside.ics", "");
    directory.write(".hidden.ics", "");
    directory.write(".git/config", "");
    directory.write("C.ics", "");
    std::filesystem::create_symlink(directory / "a", directory / "d-link");
    std::filesystem::create_symlink(directory / "missing", directory / "e-dangling");

    EXPECT_EQ(sortedVisibleEntries(directory.path()),
        (std::vector<DirectoryEntry> {
            { directory / "C.ics", Kind::regularFile },
            { directory / "a", Kind::directory },
            { directory / "b.ics", Kind::regularFile },
            { directory / "d-link", Kind::directory },
            { directory / "e-dangling", Kind::other },
        }));
}

TEST(DirectoryEntries, WhatIsNoReadableDirectoryListsAsEmpty)
{
    tvk::test::TemporaryDirectory directory;
    directory.write("file", "x");
    EXPECT_TRUE(sortedVisibleEntries(directory / "missing").empty());
    EXPECT_TRUE(sortedVisibleEntries(directory / "file").empty());
}
