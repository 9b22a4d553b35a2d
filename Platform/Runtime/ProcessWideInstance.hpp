#pragma once

#include "Platform/Runtime/ProcessWideState.hpp"

#include <atomic>
#include <mutex>
#include <vector>

namespace tvk {

/// The one instance of a service that a process makes on first use (`T::shared()`), made
/// again on the first use after `ProcessWideState::reset()`, so that each test of a test
/// program meets the service as a fresh process does.
///
/// Instances are never destroyed, not even at exit: a reset only stops handing the current
/// one out, since other threads and other services may still hold it; a static destructor
/// could run while a worker thread uses it. So `T` must not do anything by itself once
/// nobody calls it (no timers, no observers of its own): services that do are made once
/// with a plain static instead.
///
///     Parser& Parser::shared()
///     {
///         static auto* instance = new ProcessWideInstance<Parser>;
///         return instance->get([] { return new Parser(); });
///     }
template <typename T> class ProcessWideInstance {
public:
    /// The current instance, made with `make` (which returns a new `T*`) when there is none.
    /// Thread-safe: concurrent first uses make one instance.
    template <typename Make> T& get(Make&& make)
    {
        if (T* current = m_current.load(std::memory_order_acquire))
            return *current;
        std::lock_guard lock(m_mutex);
        if (T* current = m_current.load(std::memory_order_relaxed))
            return *current;
        if (!m_resettable) {
            ProcessWideState::onReset([this] { m_current.store(nullptr, std::memory_order_release); });
            m_resettable = true;
        }
        m_made.push_back(make());
        m_current.store(m_made.back(), std::memory_order_release);
        return *m_made.back();
    }

private:
    std::atomic<T*> m_current { nullptr };
    std::mutex m_mutex;
    bool m_resettable = false;
    /// Every instance made, so that none is lost (or reported as leaked) after a reset.
    std::vector<T*> m_made;
};

}
