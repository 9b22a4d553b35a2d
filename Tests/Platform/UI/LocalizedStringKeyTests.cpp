#include "Platform/UI/LocalizedStringKey.hpp"

#include <gtest/gtest.h>

using namespace tvk::ui;

namespace {

std::string format(std::string_view text, std::vector<LocalizedStringKey::Argument> arguments = {})
{
    return LocalizedStringKey::format(text, arguments);
}

}

TEST(LocalizedStringKey, FillsPlaceholdersAsTheCatalogDoes)
{
    EXPECT_EQ(format("%lld more events", { 3 }), "3 more events");
    EXPECT_EQ(format("%2$@ before %1$@", { "B", "A" }), "A before B");
    EXPECT_EQ(format("%@ and %@", { "one" }), "one and %@");
    EXPECT_EQ(LocalizedStringKey("Travel time: %@", { "25 min" }).formattedKey(), "Travel time: 25 min");
}

TEST(LocalizedStringKey, RemovesAgreementMarkupAndKeepsItsText)
{
    EXPECT_EQ(format("^[%lld more events](inflect: true)", { 1 }), "1 more events");
    EXPECT_EQ(format("Only ^[%lld event](inflect: true) left", { 2 }), "Only 2 event left");
    EXPECT_EQ(format("^[unclosed"), "^[unclosed");
    EXPECT_EQ(format("^[a](b"), "^[a](b");
}
