#include "Platform/Runtime/DispatchQueue.hpp"

#include <glib.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <memory>
#include <mutex>
#include <queue>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace tvk {

namespace {

thread_local const DispatchQueue::Implementation* currentQueue = nullptr;

[[noreturn]] void fail(const char* message, const std::string& label)
{
    std::fprintf(stderr, "DispatchQueue \"%s\": %s\n", label.c_str(), message);
    std::abort();
}

struct CurrentQueueScope {
    explicit CurrentQueueScope(const DispatchQueue::Implementation* queue)
        : previous(currentQueue)
    {
        currentQueue = queue;
    }
    ~CurrentQueueScope() { currentQueue = previous; }
    const DispatchQueue::Implementation* previous;
};

}

class DispatchQueue::Implementation {
public:
    explicit Implementation(std::string label)
        : m_label(std::move(label))
    {
    }
    virtual ~Implementation() = default;

    const std::string& label() const { return m_label; }
    virtual void async(Block) = 0;
    virtual void asyncAfter(TimeInterval, Block) = 0;
    virtual bool isCurrent() const { return currentQueue == this; }
    virtual bool isSerial() const = 0;

    void sync(const Block& block)
    {
        if (isSerial() && isCurrent())
            fail("sync onto the queue that runs the caller would wait forever", m_label);
        std::mutex mutex;
        std::condition_variable finished;
        bool done = false;
        async([&] {
            block();
            std::lock_guard lock(mutex);
            done = true;
            finished.notify_one();
        });
        std::unique_lock lock(mutex);
        finished.wait(lock, [&] { return done; });
    }

private:
    std::string m_label;
};

namespace {

// Blocks of the main queue wait in our own FIFO; a single idle source on the default main
// context drains it, so order is kept and GLib timers interleave fairly with queued work.
class MainQueue final : public DispatchQueue::Implementation {
public:
    MainQueue()
        : Implementation("com.apple.main-thread")
    {
    }

    bool isSerial() const override { return true; }
    bool isCurrent() const override { return DispatchQueue::isMainThread(); }

    void async(DispatchQueue::Block block) override
    {
        std::lock_guard lock(m_mutex);
        m_blocks.push_back(std::move(block));
        if (m_wakeupScheduled)
            return;
        m_wakeupScheduled = true;
        GSource* source = g_idle_source_new();
        g_source_set_priority(source, G_PRIORITY_DEFAULT);
        g_source_set_callback(source, &MainQueue::drain, this, nullptr);
        g_source_attach(source, g_main_context_default());
        g_source_unref(source);
    }

    void asyncAfter(TimeInterval delay, DispatchQueue::Block block) override
    {
        auto milliseconds = delay <= 0 ? 0u : static_cast<guint>(delay * 1000.0 + 0.5);
        GSource* source = g_timeout_source_new(milliseconds);
        auto* boxed = new DispatchQueue::Block(std::move(block));
        g_source_set_callback(
            source,
            [](gpointer data) -> gboolean {
                (*static_cast<DispatchQueue::Block*>(data))();
                return G_SOURCE_REMOVE;
            },
            boxed, [](gpointer data) { delete static_cast<DispatchQueue::Block*>(data); });
        g_source_attach(source, g_main_context_default());
        g_source_unref(source);
    }

    bool hasQueuedBlocks()
    {
        std::lock_guard lock(m_mutex);
        return !m_blocks.empty();
    }

private:
    static gboolean drain(gpointer data)
    {
        auto* self = static_cast<MainQueue*>(data);
        std::deque<DispatchQueue::Block> batch;
        {
            std::lock_guard lock(self->m_mutex);
            batch.swap(self->m_blocks);
            self->m_wakeupScheduled = false;
        }
        CurrentQueueScope scope(self);
        for (auto& block : batch)
            block();
        return G_SOURCE_REMOVE;
    }

    std::mutex m_mutex;
    std::deque<DispatchQueue::Block> m_blocks;
    bool m_wakeupScheduled = false;
};

// The queue's state is shared by the queue and its worker threads, so that a queue destroyed
// from one of its own blocks (the last owner of an object releasing it on its queue) leaves
// that worker a live mutex and block list to finish with; the worker detaches and exits.
class ThreadQueue final : public DispatchQueue::Implementation {
public:
    ThreadQueue(std::string label, size_t width)
        : Implementation(std::move(label))
        , m_width(width)
        , m_state(std::make_shared<State>())
    {
        for (size_t i = 0; i < width; ++i)
            m_threads.emplace_back([state = m_state, self = this] { run(*state, self); });
    }

    ~ThreadQueue() override
    {
        {
            std::lock_guard lock(m_state->mutex);
            m_state->stopping = true;
        }
        m_state->wakeup.notify_all();
        for (auto& thread : m_threads) {
            if (thread.get_id() == std::this_thread::get_id())
                thread.detach();
            else
                thread.join();
        }
    }

    bool isSerial() const override { return m_width == 1; }

    void async(DispatchQueue::Block block) override
    {
        {
            std::lock_guard lock(m_state->mutex);
            m_state->blocks.push_back(std::move(block));
        }
        m_state->wakeup.notify_one();
    }

    void asyncAfter(TimeInterval delay, DispatchQueue::Block block) override
    {
        auto deadline = std::chrono::steady_clock::now()
            + std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(delay > 0 ? delay : 0));
        {
            std::lock_guard lock(m_state->mutex);
            m_state->delayed.push(Delayed { deadline, m_state->nextSequence++, std::move(block) });
        }
        m_state->wakeup.notify_all();
    }

private:
    struct Delayed {
        std::chrono::steady_clock::time_point deadline;
        std::uint64_t sequence;
        DispatchQueue::Block block;
        bool operator>(const Delayed& other) const
        {
            return deadline != other.deadline ? deadline > other.deadline : sequence > other.sequence;
        }
    };

    struct State {
        std::mutex mutex;
        std::condition_variable wakeup;
        std::deque<DispatchQueue::Block> blocks;
        std::priority_queue<Delayed, std::vector<Delayed>, std::greater<>> delayed;
        std::uint64_t nextSequence = 0;
        bool stopping = false;
    };

    // `queue` identifies the queue for `isCurrent` only; it is never dereferenced, because a
    // block may destroy the queue.
    static void run(State& state, const ThreadQueue* queue)
    {
        CurrentQueueScope scope(queue);
        std::unique_lock lock(state.mutex);
        while (true) {
            auto now = std::chrono::steady_clock::now();
            while (!state.delayed.empty() && state.delayed.top().deadline <= now) {
                state.blocks.push_back(std::move(const_cast<Delayed&>(state.delayed.top()).block));
                state.delayed.pop();
            }
            if (!state.blocks.empty()) {
                auto block = std::move(state.blocks.front());
                state.blocks.pop_front();
                lock.unlock();
                block();
                block = nullptr; // release captures outside the lock
                lock.lock();
                continue;
            }
            if (state.stopping)
                return;
            if (state.delayed.empty()) {
                state.wakeup.wait(lock);
            } else {
                // A copy: the wait reads its deadline again after waking, and a block scheduled
                // meanwhile may have moved the heap's storage.
                auto deadline = state.delayed.top().deadline;
                state.wakeup.wait_until(lock, deadline);
            }
        }
    }

    size_t m_width;
    std::shared_ptr<State> m_state;
    std::vector<std::thread> m_threads;
};
}

DispatchQueue::DispatchQueue(std::unique_ptr<Implementation> implementation)
    : m_implementation(std::move(implementation))
{
}

DispatchQueue::DispatchQueue(std::string label, Kind kind)
    : m_implementation(std::make_unique<ThreadQueue>(std::move(label), kind == Kind::serial ? 1 : 4))
{
}

DispatchQueue::~DispatchQueue() = default;

DispatchQueue& DispatchQueue::main()
{
    static auto* queue = new DispatchQueue(std::make_unique<MainQueue>());
    return *queue;
}

DispatchQueue& DispatchQueue::global()
{
    // Never destroyed: worker threads may still be running blocks at exit.
    static auto* queue = new DispatchQueue("global", Kind::concurrent);
    return *queue;
}

const std::string& DispatchQueue::label() const
{
    return m_implementation->label();
}

void DispatchQueue::async(Block block)
{
    m_implementation->async(std::move(block));
}

void DispatchQueue::asyncAfter(TimeInterval delay, Block block)
{
    m_implementation->asyncAfter(delay, std::move(block));
}

void DispatchQueue::sync(const Block& block)
{
    m_implementation->sync(block);
}

bool DispatchQueue::isCurrent() const
{
    return m_implementation->isCurrent();
}

bool DispatchQueue::isMainThread()
{
    return static_cast<pid_t>(syscall(SYS_gettid)) == getpid();
}

void DispatchQueue::drainUntilIdle()
{
    auto* mainQueue = dynamic_cast<MainQueue*>(m_implementation.get());
    if (!mainQueue || !isMainThread())
        fail("drainUntilIdle is for the main queue, on the main thread", label());
    GMainContext* context = g_main_context_default();
    while (true) {
        while (g_main_context_iteration(context, FALSE)) { }
        if (!mainQueue->hasQueuedBlocks() && !g_main_context_pending(context))
            return;
    }
}

bool DispatchQueue::runUntil(const std::function<bool()>& done, TimeInterval timeout)
{
    if (!dynamic_cast<MainQueue*>(m_implementation.get()) || !isMainThread())
        fail("runUntil is for the main queue, on the main thread", label());
    GMainContext* context = g_main_context_default();
    bool timedOut = false;
    GSource* timer = g_timeout_source_new(static_cast<guint>(timeout * 1000));
    g_source_set_callback(
        timer,
        [](gpointer data) -> gboolean {
            *static_cast<bool*>(data) = true;
            return G_SOURCE_REMOVE;
        },
        &timedOut, nullptr);
    g_source_attach(timer, context);
    // `done` may turn true on another thread without anything waking the main context; look
    // again every few milliseconds.
    GSource* poll = g_timeout_source_new(5);
    g_source_set_callback(
        poll, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr, nullptr);
    g_source_attach(poll, context);
    while (!done() && !timedOut)
        g_main_context_iteration(context, TRUE);
    for (GSource* source : { timer, poll }) {
        g_source_destroy(source);
        g_source_unref(source);
    }
    return done();
}

}
