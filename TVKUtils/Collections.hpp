#pragma once

#include <cstddef>
#include <iterator>
#include <optional>
#include <ranges>
#include <tl/expected.hpp>
#include <type_traits>
#include <utility>

namespace tvk {

/// The element at `index` when it is one of the collection's indices; none otherwise
/// (negative, or at or past the end).
template <std::ranges::sized_range Collection>
std::optional<std::ranges::range_value_t<Collection>> safeElement(const Collection& collection, std::ptrdiff_t index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= std::ranges::size(collection))
        return std::nullopt;
    return *std::next(std::ranges::begin(collection), index);
}

namespace detail {
template <typename T> struct IsExpected : std::false_type {
};
template <typename T, typename E> struct IsExpected<tl::expected<T, E>> : std::true_type {
};
}

/// The value itself when `predicate` holds for it, else none. A predicate that can fail
/// returns `tl::expected<bool, E>`; its failure is passed on as the result's error.
template <typename T, typename Predicate> auto takeIf(T value, Predicate&& predicate)
{
    using Result = std::invoke_result_t<Predicate&, const T&>;
    if constexpr (detail::IsExpected<std::decay_t<Result>>::value) {
        using Error = typename std::decay_t<Result>::error_type;
        using Taken = tl::expected<std::optional<T>, Error>;
        auto holds = predicate(std::as_const(value));
        if (!holds)
            return Taken(tl::unexpect, std::move(holds.error()));
        return *holds ? Taken(std::optional<T>(std::move(value))) : Taken(std::optional<T>());
    } else {
        return predicate(std::as_const(value)) ? std::optional<T>(std::move(value)) : std::optional<T>();
    }
}

}
