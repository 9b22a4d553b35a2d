#pragma once

#include "Platform/Runtime/NotificationCenter.hpp"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tvk::widgets {

/// Where a widget program asks the host to fetch fresh timelines: for the widgets of one kind,
/// or for all of them. Whoever hosts the widgets (the desktop host, a test) registers to hear
/// of these requests. Safe from any thread; handlers run on the thread that asked, in
/// registration order, and may register or remove handlers themselves.
class WidgetCenter {
public:
    static WidgetCenter& shared();

    WidgetCenter() = default;
    WidgetCenter(const WidgetCenter&) = delete;
    WidgetCenter& operator=(const WidgetCenter&) = delete;

    void reloadTimelines(std::string_view ofKind);
    void reloadAllTimelines();

    /// Receives the kind to reload, or none for every kind.
    using ReloadHandler = std::function<void(const std::optional<std::string>& kind)>;
    ObserverToken addReloadHandler(ReloadHandler handler);
    void removeReloadHandler(ObserverToken token);

private:
    NotificationCenter m_requests;
};

}
