#pragma once

#include "Platform/Runtime/Publisher.hpp"

#include <tuple>

namespace tvk::Publishers {

/// The latest values of five publishers that share a failure type, as one tuple: nothing until
/// each has sent a value, then a tuple on every new value; the first failure ends it. Built
/// as the three-way combination of `a`, `b`, `c` next to the two-way one of `d`, `e`, with the
/// nested pair flattened.
template <typename A, typename B, typename C, typename D, typename E, typename Failure> struct CombineLatest5 {
    using Output = std::tuple<A, B, C, D, E>;

    Publisher<A, Failure> a;
    Publisher<B, Failure> b;
    Publisher<C, Failure> c;
    Publisher<D, Failure> d;
    Publisher<E, Failure> e;

    Publisher<Output, Failure> publisher() const
    {
        return combineLatest(combineLatest(a, b, c), combineLatest(d, e)).map([](const auto& nested) {
            return std::tuple_cat(std::get<0>(nested), std::get<1>(nested));
        });
    }
    Cancellable subscribe(Subscriber<Output, Failure> subscriber) const { return publisher().subscribe(std::move(subscriber)); }
    Cancellable sink(
        std::function<void(const Completion<Failure>&)> receiveCompletion, std::function<void(const Output&)> receiveValue) const
    {
        return publisher().sink(std::move(receiveCompletion), std::move(receiveValue));
    }
};

/// As `CombineLatest5`, for six publishers: the three-way combinations of `a`, `b`, `c` and of
/// `d`, `e`, `f`.
template <typename A, typename B, typename C, typename D, typename E, typename F, typename Failure> struct CombineLatest6 {
    using Output = std::tuple<A, B, C, D, E, F>;

    Publisher<A, Failure> a;
    Publisher<B, Failure> b;
    Publisher<C, Failure> c;
    Publisher<D, Failure> d;
    Publisher<E, Failure> e;
    Publisher<F, Failure> f;

    Publisher<Output, Failure> publisher() const
    {
        return combineLatest(combineLatest(a, b, c), combineLatest(d, e, f)).map([](const auto& nested) {
            return std::tuple_cat(std::get<0>(nested), std::get<1>(nested));
        });
    }
    Cancellable subscribe(Subscriber<Output, Failure> subscriber) const { return publisher().subscribe(std::move(subscriber)); }
    Cancellable sink(
        std::function<void(const Completion<Failure>&)> receiveCompletion, std::function<void(const Output&)> receiveValue) const
    {
        return publisher().sink(std::move(receiveCompletion), std::move(receiveValue));
    }
};

template <typename A, typename B, typename C, typename D, typename E, typename Failure>
CombineLatest5(Publisher<A, Failure>, Publisher<B, Failure>, Publisher<C, Failure>, Publisher<D, Failure>, Publisher<E, Failure>)
    -> CombineLatest5<A, B, C, D, E, Failure>;
template <typename A, typename B, typename C, typename D, typename E, typename F, typename Failure>
CombineLatest6(Publisher<A, Failure>, Publisher<B, Failure>, Publisher<C, Failure>, Publisher<D, Failure>, Publisher<E, Failure>,
    Publisher<F, Failure>) -> CombineLatest6<A, B, C, D, E, F, Failure>;

}
