#include "Platform/Runtime/RepeatingTimer.hpp"

#include "Platform/Runtime/DispatchQueue.hpp"
#include "Platform/Runtime/NotificationCenter.hpp"
#include "Platform/Runtime/PlatformLog.hpp"
#include "Platform/Runtime/ProcessClock.hpp"

#include <glib-unix.h>
#include <glib.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <optional>
#include <sys/timerfd.h>
#include <unistd.h>

namespace tvk {

// The wait runs on a timer descriptor of the system's real-time clock with an absolute
// deadline: it expires on time after the machine slept, and the kernel reports a step of the
// clock (TFD_TIMER_CANCEL_ON_SET) the moment it happens.
struct RepeatingTimer::State : std::enable_shared_from_this<RepeatingTimer::State> {
    Date fireDate;
    TimeInterval interval;
    std::function<void()> action;
    int descriptor = -1;
    GSource* source = nullptr;
    std::optional<ObserverToken> clockObserver;
    bool valid = true;

    void start()
    {
        descriptor = timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC);
        if (descriptor < 0) {
            PlatformLog::warning("Timer", std::string("cannot make a timer: ") + std::strerror(errno));
            valid = false;
            return;
        }
        source = g_unix_fd_source_new(descriptor, G_IO_IN);
        g_source_set_callback(source, G_SOURCE_FUNC(&State::readable), this, nullptr);
        g_source_attach(source, g_main_context_default());
        clockObserver = NotificationCenter::defaultCenter().addObserver(
            std::string(ProcessClock::changedNotification), nullptr, [weak = weak_from_this()](const Notification&) {
                DispatchQueue::main().async([weak] {
                    if (auto state = weak.lock(); state && state->valid)
                        state->clockWasSet();
                });
            });
        arm();
    }

    void stop()
    {
        valid = false;
        if (clockObserver) {
            NotificationCenter::defaultCenter().removeObserver(*clockObserver);
            clockObserver.reset();
        }
        if (source) {
            g_source_destroy(source);
            g_source_unref(source);
            source = nullptr;
        }
        if (descriptor >= 0) {
            ::close(descriptor);
            descriptor = -1;
        }
    }

    /// The first point of the grid strictly after `now`.
    Date nextGridPointAfter(Date now) const
    {
        double steps = std::floor((now - fireDate) / interval) + 1;
        Date next = fireDate + steps * interval;
        return next > now ? next : next + interval;
    }

    void arm()
    {
        // The fire date on the process clock, as a deadline on the real-time clock.
        TimeInterval delay = std::max(0.0, fireDate.timeIntervalSince(Date::now()));
        timespec now {};
        clock_gettime(CLOCK_REALTIME, &now);
        double deadline = static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9 + delay;
        double seconds = std::floor(deadline);
        itimerspec specification {};
        specification.it_value.tv_sec = static_cast<time_t>(seconds);
        specification.it_value.tv_nsec = std::max(1L, static_cast<long>((deadline - seconds) * 1e9));
        timerfd_settime(descriptor, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &specification, nullptr);
    }

    static gboolean readable(gint, GIOCondition, gpointer data)
    {
        auto* state = static_cast<State*>(data);
        std::uint64_t expirations = 0;
        if (::read(state->descriptor, &expirations, sizeof expirations) < 0) {
            if (errno == ECANCELED)
                state->clockWasSet();
            return G_SOURCE_CONTINUE;
        }
        state->fired();
        return G_SOURCE_CONTINUE;
    }

    void fired()
    {
        // However many fire dates passed, the action runs once. Re-armed before the action
        // runs, so that an action that invalidates the timer leaves nothing armed behind.
        fireDate = std::max(fireDate + interval, nextGridPointAfter(Date::now()));
        arm();
        auto keepAlive = shared_from_this();
        auto run = action;
        run();
    }

    void clockWasSet()
    {
        Date now = Date::now();
        if (fireDate <= now) {
            fired();
            return;
        }
        fireDate = nextGridPointAfter(now);
        arm();
    }
};

RepeatingTimer::RepeatingTimer(Date firstFireDate, TimeInterval interval, std::function<void()> action)
    : m_state(std::make_shared<State>())
{
    m_state->fireDate = firstFireDate;
    m_state->interval = interval > 0 ? interval : 0.0001;
    m_state->action = std::move(action);
    m_state->start();
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
    m_state->stop();
}

}
