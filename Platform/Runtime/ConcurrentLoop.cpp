#include "Platform/Runtime/ConcurrentLoop.hpp"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace tvk {

void concurrentLoop(std::size_t count, std::size_t minimumPerThread, const std::function<void(std::size_t)>& body)
{
    constexpr std::size_t mostThreads = 4;
    // Asked once: each answer reads a file of the system's, and a reload runs dozens of loops.
    static const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
    std::size_t threads = std::min({ cores, mostThreads, count / std::max<std::size_t>(minimumPerThread, 1) });
    if (threads <= 1) {
        for (std::size_t i = 0; i < count; ++i)
            body(i);
        return;
    }

    // Runs small enough that the threads finish together, large enough that the shared counter
    // is rarely contended.
    const std::size_t run = std::clamp<std::size_t>(count / (threads * 8), 1, 64);
    std::atomic<std::size_t> next { 0 };
    std::atomic<bool> failed { false };
    std::exception_ptr failure;
    std::mutex failureMutex;
    auto work = [&] {
        while (!failed.load(std::memory_order_relaxed)) {
            std::size_t from = next.fetch_add(run, std::memory_order_relaxed);
            if (from >= count)
                return;
            try {
                for (std::size_t i = from, to = std::min(from + run, count); i < to; ++i)
                    body(i);
            } catch (...) {
                std::lock_guard lock(failureMutex);
                if (!failure)
                    failure = std::current_exception();
                failed = true;
                return;
            }
        }
    };
    std::vector<std::thread> helpers;
    helpers.reserve(threads - 1);
    for (std::size_t i = 1; i < threads; ++i) {
        try {
            helpers.emplace_back(work);
        } catch (const std::system_error&) {
            break; // no thread to be had: the ones there are do the work
        }
    }
    work();
    for (auto& helper : helpers)
        helper.join();
    if (failure)
        std::rethrow_exception(failure);
}

}
