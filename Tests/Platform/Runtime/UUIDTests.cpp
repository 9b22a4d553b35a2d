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

TEST(UUID, NameBasedIdentifiersAreVersion5AsRfc4122ComputesThem)
{
    // The DNS name space of RFC 4122, appendix C, as its 16 bytes.
    auto dns = UUID::fromString("6ba7b810-9dad-11d1-80b4-00c04fd430c8")->bytes();
    std::string_view nameSpace(reinterpret_cast<const char*>(dns.data()), dns.size());
    EXPECT_EQ(UUID::nameBased(nameSpace, "www.example.com").uuidString(), "2ED6657D-E927-568B-95E1-2665A8AEA6A2");
    EXPECT_EQ(UUID::nameBased("tarvik", "a"), UUID::nameBased("tarvik", "a"));
    EXPECT_NE(UUID::nameBased("tarvik", "a"), UUID::nameBased("tarvik", "b"));
}
