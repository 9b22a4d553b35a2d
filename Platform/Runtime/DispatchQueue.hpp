#pragma once

#include "Platform/Runtime/Date.hpp"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>

namespace tvk {

/// A queue that runs blocks: the main queue, serial queues with a thread of their own, and a
/// global concurrent queue.
///
/// - `main()` runs its blocks, in order, on the GLib main context of the process's main
///   thread; they run while that context is iterated (by the program's main loop, or by
///   `drainUntilIdle` / `runUntil` in tests).
/// - A serial queue runs its blocks, in order, one at a time, on its own thread.
/// - `global()` runs blocks on a small pool of worker threads, in no guaranteed order.
///
/// `sync` onto the serial queue (or the main queue) that is running the caller would wait for
/// itself; that is a programming error and stops the program with a message.
class DispatchQueue {
public:
    using Block = std::function<void()>;

    enum class Kind { serial, concurrent };

    static DispatchQueue& main();
    static DispatchQueue& global();

    explicit DispatchQueue(std::string label, Kind kind = Kind::serial);
    ~DispatchQueue();
    DispatchQueue(const DispatchQueue&) = delete;
    DispatchQueue& operator=(const DispatchQueue&) = delete;

    const std::string& label() const;

    void async(Block block);
    /// Runs `block` after at least `delay` seconds of real (monotonic) time; the process clock
    /// does not apply.
    void asyncAfter(TimeInterval delay, Block block);
    void sync(const Block& block);

    template <typename Function>
    requires(!std::is_void_v<std::invoke_result_t<Function&>>) auto sync(Function&& function) -> std::invoke_result_t<Function&>
    {
        std::optional<std::invoke_result_t<Function&>> result;
        sync(Block([&] { result.emplace(function()); }));
        return std::move(*result);
    }

    /// True when the calling code runs on this queue (for the main queue: on the main thread).
    bool isCurrent() const;

    /// True on the process's main thread (the thread whose id is the process id).
    static bool isMainThread();

    /// Main queue only, on the main thread: iterates the main context until no block is queued
    /// and no GLib source is ready. Blocks and sources that become ready meanwhile also run.
    void drainUntilIdle();

    /// Main queue only, on the main thread: iterates the main context, waiting for events,
    /// until `done` returns true or `timeout` seconds of real time have passed. Returns
    /// whether `done` became true.
    bool runUntil(const std::function<bool()>& done, TimeInterval timeout = 10);

    class Implementation;

private:
    explicit DispatchQueue(std::unique_ptr<Implementation>);
    std::unique_ptr<Implementation> m_implementation;
};

}
