#pragma once

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <vector>

namespace tvk {

/// `std::stable_sort` for values that are expensive to move (events with their texts and
/// participants): the positions are sorted, and each value then moves once.
template <typename Value, typename Less> void stableSortLargeValues(std::vector<Value>& values, Less less)
{
    std::vector<std::uint32_t> order(values.size());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) { return less(values[a], values[b]); });
    std::vector<Value> sorted;
    sorted.reserve(values.size());
    for (auto position : order)
        sorted.push_back(std::move(values[position]));
    values = std::move(sorted);
}

}
