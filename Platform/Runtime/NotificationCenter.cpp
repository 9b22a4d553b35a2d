#include "Platform/Runtime/NotificationCenter.hpp"

#include <algorithm>

namespace tvk {

NotificationCenter& NotificationCenter::defaultCenter()
{
    static auto* center = new NotificationCenter;
    return *center;
}

ObserverToken NotificationCenter::addObserver(std::optional<std::string> name, const void* object, Block block)
{
    std::lock_guard lock(m_mutex);
    auto observer = std::make_shared<Observer>(Observer { ObserverToken { m_nextToken++ }, std::move(name), object, std::move(block) });
    m_observers.push_back(observer);
    return observer->token;
}

void NotificationCenter::removeObserver(ObserverToken token)
{
    std::unique_lock lock(m_mutex);
    auto found = std::find_if(m_observers.begin(), m_observers.end(), [&](auto& observer) { return observer->token == token; });
    if (found == m_observers.end())
        return;
    auto observer = *found;
    observer->removed = true;
    m_observers.erase(found);
    auto runningElsewhere = [&] {
        auto self = std::this_thread::get_id();
        return std::any_of(observer->runningOn.begin(), observer->runningOn.end(), [&](auto thread) { return thread != self; });
    };
    if (!runningElsewhere())
        return;
    ++m_waitingRemovals;
    m_blockEnded.wait(lock, [&] { return !runningElsewhere(); });
    --m_waitingRemovals;
}

void NotificationCenter::post(const Notification& notification)
{
    std::vector<std::shared_ptr<Observer>> matching;
    {
        std::lock_guard lock(m_mutex);
        for (auto& observer : m_observers) {
            if (observer->name && *observer->name != notification.name)
                continue;
            if (observer->object && observer->object != notification.object)
                continue;
            matching.push_back(observer);
        }
    }
    auto self = std::this_thread::get_id();
    for (auto& observer : matching) {
        {
            std::lock_guard lock(m_mutex);
            if (observer->removed)
                continue;
            observer->runningOn.push_back(self);
        }
        // Ends the run however the block ends, so that no removal waits for it forever.
        struct RunEnd {
            NotificationCenter& center;
            Observer& observer;
            std::thread::id thread;
            ~RunEnd()
            {
                {
                    std::lock_guard lock(center.m_mutex);
                    observer.runningOn.erase(std::find(observer.runningOn.begin(), observer.runningOn.end(), thread));
                }
                center.m_blockEnded.notify_all();
            }
        } end { *this, *observer, self };
        observer->block(notification);
    }
}

void NotificationCenter::post(std::string name, const void* object, std::map<std::string, std::any> userInfo)
{
    post(Notification { std::move(name), object, std::move(userInfo) });
}

size_t NotificationCenter::observerCount() const
{
    std::lock_guard lock(m_mutex);
    return m_observers.size();
}

size_t NotificationCenter::waitingRemovalCount() const
{
    std::lock_guard lock(m_mutex);
    return m_waitingRemovals;
}

}
