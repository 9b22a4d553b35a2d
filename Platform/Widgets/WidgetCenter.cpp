#include "Platform/Widgets/WidgetCenter.hpp"

namespace tvk::widgets {

namespace {

constexpr std::string_view reloadRequest = "ReloadTimelines";
constexpr std::string_view kindKey = "kind";

}

WidgetCenter& WidgetCenter::shared()
{
    static WidgetCenter* center = new WidgetCenter;
    return *center;
}

void WidgetCenter::reloadTimelines(std::string_view ofKind)
{
    m_requests.post(std::string(reloadRequest), nullptr, { { std::string(kindKey), std::string(ofKind) } });
}

void WidgetCenter::reloadAllTimelines()
{
    m_requests.post(std::string(reloadRequest));
}

ObserverToken WidgetCenter::addReloadHandler(ReloadHandler handler)
{
    return m_requests.addObserver(std::string(reloadRequest), nullptr, [handler = std::move(handler)](const Notification& notification) {
        auto kind = notification.userInfo.find(std::string(kindKey));
        if (kind == notification.userInfo.end())
            handler(std::nullopt);
        else
            handler(std::any_cast<std::string>(kind->second));
    });
}

void WidgetCenter::removeReloadHandler(ObserverToken token)
{
    m_requests.removeObserver(token);
}

}
