#include "Platform/Runtime/RepeatingTimer.hpp"

#include <glib.h>

#include <cmath>

namespace tvk {

struct RepeatingTimer::State {
    Date fireDate;
    TimeInterval interval;
    std::function<void()> action;
    GSource* source = nullptr;
    bool valid = true;

    void arm()
    {
        TimeInterval delay = fireDate.timeIntervalSince(Date::now());
        auto milliseconds = delay <= 0 ? 0u : static_cast<guint>(std::ceil(delay * 1000.0));
        source = g_timeout_source_new(milliseconds);
        g_source_set_callback(source, &State::fired, this, nullptr);
        g_source_attach(source, g_main_context_default());
    }

    void disarm()
    {
        if (!source)
            return;
        g_source_destroy(source);
        g_source_unref(source);
        source = nullptr;
    }

    static gboolean fired(gpointer data)
    {
        auto* state = static_cast<State*>(data);
        // Re-arm before running the action, so that an action that invalidates the timer
        // leaves nothing armed behind.
        state->disarm();
        state->fireDate = state->fireDate + state->interval;
        state->arm();
        auto action = state->action;
        action();
        return G_SOURCE_REMOVE;
    }
};

RepeatingTimer::RepeatingTimer(Date firstFireDate, TimeInterval interval, std::function<void()> action)
    : m_state(std::make_shared<State>())
{
    m_state->fireDate = firstFireDate;
    m_state->interval = interval > 0 ? interval : 0.0001;
    m_state->action = std::move(action);
    m_state->arm();
}

RepeatingTimer::~RepeatingTimer()
{
    invalidate();
}

Date RepeatingTimer::fireDate() const
{
    return m_state->fireDate;
}

TimeInterval RepeatingTimer::interval() const
{
    return m_state->interval;
}

bool RepeatingTimer::isValid() const
{
    return m_state->valid;
}

void RepeatingTimer::fire()
{
    if (!m_state->valid)
        return;
    auto action = m_state->action;
    action();
}

void RepeatingTimer::invalidate()
{
    m_state->valid = false;
    m_state->disarm();
}

}
