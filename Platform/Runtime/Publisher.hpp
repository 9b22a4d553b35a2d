#pragma once

#include "Platform/Runtime/Cancellable.hpp"

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

namespace tvk {

/// How a stream of values ended: normally (no failure) or with a failure.
template <typename Failure> struct Completion {
    std::optional<Failure> failure;

    static Completion finished() { return Completion {}; }
    static Completion failed(Failure error) { return Completion { std::move(error) }; }
    bool isFinished() const { return !failure; }
    bool operator==(const Completion&) const = default;
};

/// What a subscriber is told: each value, then at most one completion, after which it hears
/// nothing more.
template <typename Output, typename Failure> struct Subscriber {
    std::function<void(const Output&)> receiveValue;
    std::function<void(const Completion<Failure>&)> receiveCompletion;
};

/// A source of values over time that ends once, normally or with a failure; the small part of
/// the platform's reactive streams that the utilities combine. A publisher is a value: copies
/// subscribe to the same source. Subscribing returns a `Cancellable` that ends the subscription
/// when cancelled or dropped.
///
/// Values are delivered on the thread that produces them.
template <typename Output, typename Failure> class Publisher {
public:
    using OutputType = Output;
    using FailureType = Failure;
    using SubscribeFunction = std::function<Cancellable(Subscriber<Output, Failure>)>;

    explicit Publisher(SubscribeFunction subscribe)
        : m_subscribe(std::move(subscribe))
    {
    }

    Cancellable subscribe(Subscriber<Output, Failure> subscriber) const { return m_subscribe(std::move(subscriber)); }

    Cancellable sink(
        std::function<void(const Completion<Failure>&)> receiveCompletion, std::function<void(const Output&)> receiveValue) const
    {
        return subscribe({ std::move(receiveValue), std::move(receiveCompletion) });
    }

    /// Each value transformed; completions pass through.
    template <typename Transform> auto map(Transform transform) const
    {
        using Mapped = std::decay_t<std::invoke_result_t<Transform&, const Output&>>;
        auto upstream = *this;
        return Publisher<Mapped, Failure>([upstream, transform](Subscriber<Mapped, Failure> downstream) {
            return upstream.subscribe({
                [transform, receive = downstream.receiveValue](const Output& value) mutable { receive(transform(value)); },
                downstream.receiveCompletion,
            });
        });
    }

private:
    SubscribeFunction m_subscribe;
};

/// A publisher fed by hand: `send` passes a value to every current subscriber, `complete`
/// ends the stream for them and for anyone who subscribes later. Values sent after the
/// completion are dropped. Safe from any thread; values sent from several threads at once
/// may reach a subscriber in either order.
template <typename Output, typename Failure> class PassthroughSubject {
public:
    PassthroughSubject()
        : m_state(std::make_shared<State>())
    {
    }

    Publisher<Output, Failure> publisher() const
    {
        auto state = m_state;
        return Publisher<Output, Failure>([state](Subscriber<Output, Failure> subscriber) { return state->add(std::move(subscriber)); });
    }

    void send(const Output& value) const
    {
        for (auto& entry : m_state->snapshot())
            if (entry->active.load())
                entry->subscriber.receiveValue(value);
    }

    void complete(const Completion<Failure>& completion) const
    {
        auto entries = m_state->finish(completion);
        for (auto& entry : entries)
            if (entry->active.exchange(false))
                entry->subscriber.receiveCompletion(completion);
    }

    std::size_t subscriberCount() const
    {
        std::lock_guard lock(m_state->mutex);
        return m_state->entries.size();
    }

private:
    struct Entry {
        Subscriber<Output, Failure> subscriber;
        std::atomic<bool> active { true };
    };
    struct State : std::enable_shared_from_this<State> {
        std::mutex mutex;
        std::map<std::uint64_t, std::shared_ptr<Entry>> entries;
        std::uint64_t nextIdentifier = 0;
        std::optional<Completion<Failure>> completion;

        Cancellable add(Subscriber<Output, Failure> subscriber)
        {
            auto entry = std::make_shared<Entry>();
            entry->subscriber = std::move(subscriber);
            std::uint64_t identifier = 0;
            std::optional<Completion<Failure>> ended;
            {
                std::lock_guard lock(mutex);
                if (completion) {
                    ended = completion;
                } else {
                    identifier = nextIdentifier++;
                    entries.emplace(identifier, entry);
                }
            }
            if (ended) {
                entry->subscriber.receiveCompletion(*ended);
                return Cancellable();
            }
            std::weak_ptr<State> weakState = this->shared_from_this();
            return Cancellable([weakState, identifier, entry] {
                entry->active.store(false);
                if (auto state = weakState.lock()) {
                    std::lock_guard lock(state->mutex);
                    state->entries.erase(identifier);
                }
            });
        }

        std::vector<std::shared_ptr<Entry>> snapshot()
        {
            std::lock_guard lock(mutex);
            std::vector<std::shared_ptr<Entry>> copy;
            copy.reserve(entries.size());
            for (auto& [identifier, entry] : entries)
                copy.push_back(entry);
            return copy;
        }

        std::vector<std::shared_ptr<Entry>> finish(const Completion<Failure>& ended)
        {
            std::lock_guard lock(mutex);
            if (completion)
                return {};
            completion = ended;
            std::vector<std::shared_ptr<Entry>> copy;
            for (auto& [identifier, entry] : entries)
                copy.push_back(entry);
            entries.clear();
            return copy;
        }
    };

    std::shared_ptr<State> m_state;
};

namespace detail {

/// The shared state of one subscription to a latest-value combination.
template <typename Failure, typename... Outputs> struct CombineLatestState {
    std::recursive_mutex mutex;
    std::tuple<std::optional<Outputs>...> latest;
    std::vector<Cancellable> upstreams;
    std::size_t finishedCount = 0;
    bool ended = false;
    Subscriber<std::tuple<Outputs...>, Failure> downstream;

    bool allHaveValues() const
    {
        return std::apply([](const auto&... values) { return (values.has_value() && ...); }, latest);
    }
    std::tuple<Outputs...> values() const
    {
        return std::apply([](const auto&... values) { return std::tuple<Outputs...>(*values...); }, latest);
    }
    /// Cancels the upstream subscriptions; called with the mutex held.
    void cancelUpstreams()
    {
        auto subscriptions = std::move(upstreams);
        upstreams.clear();
        for (auto& subscription : subscriptions)
            subscription.cancel();
    }
};

}

/// The latest value of every upstream as one tuple: nothing until each upstream has sent a
/// value, then a tuple on each new value of any of them. The first failure of an upstream
/// ends the combination with that failure and cancels the others; it finishes normally once
/// every upstream has finished. Deliveries are serialized, so the downstream sees one tuple at
/// a time, in the order the values arrived.
template <typename Failure, typename... Outputs>
Publisher<std::tuple<Outputs...>, Failure> combineLatest(const Publisher<Outputs, Failure>&... upstreams)
{
    using Output = std::tuple<Outputs...>;
    using State = detail::CombineLatestState<Failure, Outputs...>;
    return Publisher<Output, Failure>([=](Subscriber<Output, Failure> downstream) {
        auto state = std::make_shared<State>();
        state->downstream = std::move(downstream);
        std::weak_ptr<State> weakState = state;

        auto onCompletion = [weakState](const Completion<Failure>& completion) {
            auto state = weakState.lock();
            if (!state)
                return;
            std::lock_guard lock(state->mutex);
            if (state->ended)
                return;
            if (completion.isFinished() && ++state->finishedCount < sizeof...(Outputs))
                return;
            state->ended = true;
            state->cancelUpstreams();
            state->downstream.receiveCompletion(completion);
        };
        auto subscribeTo = [&]<std::size_t Index>(std::integral_constant<std::size_t, Index>, const auto& upstream) {
            {
                std::lock_guard lock(state->mutex);
                if (state->ended)
                    return;
            }
            auto subscription = upstream.subscribe({
                [weakState](const auto& value) {
                    auto state = weakState.lock();
                    if (!state)
                        return;
                    std::lock_guard lock(state->mutex);
                    if (state->ended)
                        return;
                    std::get<Index>(state->latest) = value;
                    if (state->allHaveValues())
                        state->downstream.receiveValue(state->values());
                },
                onCompletion,
            });
            std::lock_guard lock(state->mutex);
            if (state->ended)
                subscription.cancel();
            else
                state->upstreams.push_back(std::move(subscription));
        };
        [&]<std::size_t... Indices>(std::index_sequence<Indices...>)
        {
            (subscribeTo(std::integral_constant<std::size_t, Indices>(), upstreams), ...);
        }
        (std::index_sequence_for<Outputs...>());

        return Cancellable([state] {
            std::lock_guard lock(state->mutex);
            state->ended = true;
            state->cancelUpstreams();
        });
    });
}

}
