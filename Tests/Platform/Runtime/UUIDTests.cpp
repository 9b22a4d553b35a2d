#include "Platform/Runtime/UUID.hpp"

#include <gtest/gtest.h>

#include <unordered_set>

using namespace tvk;

TEST(UUID, NewIdentifiersAreRandomVersion4InUpperCase)
{
    std::unordered_set<UUID> seen;
    for (int i = 0; i < 1000; ++i) {
        UUID uuid;
        auto text = uuid.uuidString();
        ASSERT_EQ(text.size(), 36u);
        EXPECT_EQ(text[14], '4');
        EXPECT_TRUE(text[19] == '8' || text[19] == '9' || text[19] == 'A' || text[19] == 'B') << text;
        EXPECT_EQ(text.find_first_of("abcdef"), std::string::npos);
        EXPECT_TRUE(seen.insert(uuid).second);
    }
}

TEST(UUID, ParsesEitherCaseAndPrintsUpperCase)
{
    auto lower = UUID::fromString("e621e1f8-c36c-495a-93fc-0c247a3e6e5f");
    ASSERT_TRUE(lower);
    EXPECT_EQ(lower->uuidString(), "E621E1F8-C36C-495A-93FC-0C247A3E6E5F");
    EXPECT_EQ(lower, UUID::fromString("E621E1F8-C36C-495A-93FC-0C247A3E6E5F"));
}

TEST(UUID, RejectsMalformedText)
{
    for (const char* text : { "", "E621E1F8C36C495A93FC0C247A3E6E5F", "E621E1F8-C36C-495A-93FC-0C247A3E6E5",
             "G621E1F8-C36C-495A-93FC-0C247A3E6E5F", "E621E1F8-C36C-495A-93FC_0C247A3E6E5F", "E621E1F8-C36C-495A-93FC-0C247A3E6E5F0" })
        EXPECT_FALSE(UUID::fromString(text)) << text;
}
