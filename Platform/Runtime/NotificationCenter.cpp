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
    std::lock_guard lock(m_mutex);
    auto found = std::find_if(m_observers.begin(), m_observers.end(), [&](auto& observer) { return observer->token == token; });
    if (found == m_observers.end())
        return;
    (*found)->removed = true;
    m_observers.erase(found);
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
    for (auto& observer : matching) {
        {
            std::lock_guard lock(m_mutex);
            if (observer->removed)
                continue;
        }
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

}
