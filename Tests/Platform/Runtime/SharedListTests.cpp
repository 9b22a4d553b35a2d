#include "Platform/Runtime/SharedList.hpp"

#include <gtest/gtest.h>
#include <string>

using namespace tvk;

TEST(SharedList, CopiesReadOneStorageUntilOneOfThemIsEdited)
{
    SharedList<std::string> names(std::vector<std::string> { "Ada", "Grace" });
    auto copy = names;
    EXPECT_EQ(&copy.front(), &names.front()) << "a copy allocates nothing";

    copy.edit()[0] = "Edsger";
    EXPECT_EQ(names[0], "Ada") << "the edit is the copy's own";
    EXPECT_EQ(copy[0], "Edsger");
    EXPECT_NE(names, copy);

    auto& mine = copy.edit();
    mine.push_back("Barbara");
    EXPECT_EQ(&copy.edit(), &mine) << "a list held alone is edited where it is";
    EXPECT_EQ(copy.size(), 3u);
    EXPECT_EQ(names.size(), 2u);
}

TEST(SharedList, EqualityComparesElementsWhetherSharedOrNot)
{
    SharedList<int> a { 1, 2, 3 };
    SharedList<int> b { 1, 2, 3 };
    EXPECT_EQ(a, b);
    EXPECT_EQ(a, a);
    EXPECT_EQ(SharedList<int>(), SharedList<int>(std::vector<int> {})) << "empty however made";
    b.edit().pop_back();
    EXPECT_NE(a, b);

    auto cleared = a;
    cleared.clear();
    EXPECT_TRUE(cleared.empty());
    EXPECT_EQ(cleared.begin(), cleared.end());
    EXPECT_EQ(a.size(), 3u);
    EXPECT_THROW((void)cleared.at(0), std::out_of_range);
}
