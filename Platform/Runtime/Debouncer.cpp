#include "Platform/Runtime/Debouncer.hpp"

#include <glib.h>

#include <mutex>

namespace tvk {

struct Debouncer::State : std::enable_shared_from_this<Debouncer::State> {
    std::chrono::milliseconds delay;
    std::function<void()> action;
    mutable std::mutex mutex;
    GSource* source = nullptr;

    void cancel()
    {
        if (source) {
            g_source_destroy(source);
            g_source_unref(source);
            source = nullptr;
        }
    }

    static gboolean fire(gpointer data)
    {
        auto state = static_cast<std::weak_ptr<State>*>(data)->lock();
        if (!state)
            return G_SOURCE_REMOVE;
        {
            std::lock_guard lock(state->mutex);
            // A trigger that came in meanwhile replaced this wait; its own source runs later.
            if (state->source != g_main_current_source())
                return G_SOURCE_REMOVE;
            g_source_unref(state->source);
            state->source = nullptr;
        }
        state->action();
        return G_SOURCE_REMOVE;
    }
};

Debouncer::Debouncer(std::chrono::milliseconds delay, std::function<void()> action)
    : m_state(std::make_shared<State>())
{
    m_state->delay = delay;
    m_state->action = std::move(action);
}

Debouncer::~Debouncer()
{
    std::lock_guard lock(m_state->mutex);
    m_state->cancel();
}

void Debouncer::trigger()
{
    std::lock_guard lock(m_state->mutex);
    m_state->cancel();
    m_state->source = g_timeout_source_new(static_cast<guint>(m_state->delay.count()));
    g_source_set_callback(m_state->source, &State::fire, new std::weak_ptr<State>(m_state),
        [](gpointer data) { delete static_cast<std::weak_ptr<State>*>(data); });
    g_source_attach(m_state->source, g_main_context_default());
}

bool Debouncer::isPending() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->source != nullptr;
}

}
