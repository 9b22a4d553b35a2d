#include "Platform/UI/LocalizedStringKey.hpp"

#include <gtest/gtest.h>

using namespace tvk::ui;

namespace {

std::string format(std::string_view text, std::vector<LocalizedStringKey::Argument> arguments = {})
{
    return LocalizedStringKey::format(text, arguments);
}

}

TEST(LocalizedStringKey, FillsPlaceholdersInOrderOrByPosition)
{
    EXPECT_EQ(format("%lld more events", { std::int64_t(3) }), "3 more events");
    EXPECT_EQ(format("Travel time: %@", { std::string("25 min") }), "Travel time: 25 min");
    EXPECT_EQ(format("%2$@ before %1$@", { std::string("B"), std::string("A") }), "A before B");
    EXPECT_EQ(format("%d%% done, %.1f left", { std::int64_t(40), 2.25 }), "40% done, 2.2 left");
    EXPECT_EQ(format("%05d", { std::int64_t(42) }), "00042");
    EXPECT_EQ(format("%@ and %lld", { std::int64_t(7), std::string("x") }), "7 and x");
    EXPECT_EQ(format("%x", { std::int64_t(255) }), "ff");
}

TEST(LocalizedStringKey, RemovesAgreementMarkupAndKeepsItsText)
{
    EXPECT_EQ(format("^[%lld more events](inflect: true)", { std::int64_t(1) }), "1 more events");
    EXPECT_EQ(format("Only ^[%lld event](inflect: true) left", { std::int64_t(2) }), "Only 2 event left");
    EXPECT_EQ(format("^[unclosed"), "^[unclosed");
    EXPECT_EQ(format("^[a](b"), "^[a](b");
}

TEST(LocalizedStringKey, KeepsPlaceholdersItCannotFill)
{
    EXPECT_EQ(format("%lld more events"), "%lld more events");
    EXPECT_EQ(format("%@ and %@", { std::string("one") }), "one and %@");
    EXPECT_EQ(format("%9$@", { std::string("one") }), "%9$@");
    EXPECT_EQ(format("%0$@", { std::string("one") }), "%0$@");
    EXPECT_EQ(format("100%"), "100%");
    EXPECT_EQ(format("%k unknown", { std::int64_t(1) }), "%k unknown");
    // A width no one needs is refused rather than allocated.
    EXPECT_EQ(format("%999999999d", { std::int64_t(1) }), "%999999999d");
    EXPECT_EQ(format("%.99999f", { 1.0 }), "%.99999f");
    EXPECT_EQ(format("%lld", { std::string("text") }), "text");
    EXPECT_EQ(format("%d", { std::numeric_limits<double>::quiet_NaN() }), "nan");
}
