#include "Platform/Runtime/StableSort.hpp"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace tvk;

namespace {

// A value that counts how often values of its kind were copied or moved.
struct Counted {
    int key = 0;
    std::string label;
    static inline int copies = 0;
    static inline int moves = 0;

    Counted(int key, std::string label)
        : key(key)
        , label(std::move(label))
    {
    }
    Counted(const Counted& other)
        : key(other.key)
        , label(other.label)
    {
        ++copies;
    }
    Counted(Counted&& other) noexcept
        : key(other.key)
        , label(std::move(other.label))
    {
        ++moves;
    }
    Counted& operator=(const Counted& other)
    {
        key = other.key;
        label = other.label;
        ++copies;
        return *this;
    }
    Counted& operator=(Counted&& other) noexcept
    {
        key = other.key;
        label = std::move(other.label);
        ++moves;
        return *this;
    }
};

}

TEST(StableSort, SortsLikeStableSortKeepingEqualValuesInOrderAndMovesEachValueOnce)
{
    std::mt19937 random(7);
    std::vector<Counted> values;
    for (int i = 0; i < 500; ++i)
        values.emplace_back(static_cast<int>(random() % 20), "value " + std::to_string(i));
    auto expected = values;
    std::stable_sort(expected.begin(), expected.end(), [](const Counted& a, const Counted& b) { return a.key < b.key; });

    Counted::copies = 0;
    Counted::moves = 0;
    stableSortLargeValues(values, [](const Counted& a, const Counted& b) { return a.key < b.key; });
    EXPECT_EQ(Counted::copies, 0);
    EXPECT_EQ(Counted::moves, 500);
    ASSERT_EQ(values.size(), expected.size());
    for (size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(values[i].key, expected[i].key) << i;
        EXPECT_EQ(values[i].label, expected[i].label) << i;
    }

    std::vector<Counted> none;
    stableSortLargeValues(none, [](const Counted& a, const Counted& b) { return a.key < b.key; });
    EXPECT_TRUE(none.empty());
}
