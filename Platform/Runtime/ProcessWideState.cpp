#include "Platform/Runtime/ProcessWideState.hpp"

#include <mutex>
#include <vector>

namespace tvk {

namespace {

std::mutex mutex;

std::vector<std::function<void()>>& resets()
{
    // Never destroyed: state may register while static destructors run.
    static auto* list = new std::vector<std::function<void()>>();
    return *list;
}

}

void ProcessWideState::onReset(std::function<void()> reset)
{
    std::lock_guard lock(mutex);
    resets().push_back(std::move(reset));
}

void ProcessWideState::reset()
{
    std::vector<std::function<void()>> current;
    {
        std::lock_guard lock(mutex);
        current = resets();
    }
    // Outside the lock: a reset may make state that registers anew.
    for (auto reset = current.rbegin(); reset != current.rend(); ++reset)
        (*reset)();
}

}
