#pragma once

#include "Platform/UI/SystemColors.hpp"

#include <functional>
#include <memory>

namespace tvk::widgets {

/// The desktop's light or dark preference, as the widget host follows it: the settings
/// portal's "color-scheme" (org.freedesktop.appearance) when a portal answers with a
/// preference, otherwise the GTK theme (a theme or `GTK_THEME` variant named "…-dark" or
/// "…:dark", or the user's gtk-application-prefer-dark-theme). Both are watched, and the window
/// chrome is told the result, so a change on the desktop shows at once.
///
/// GTK must be initialised; create, use and destroy it on the main thread.
class DesktopColorScheme {
public:
    explicit DesktopColorScheme(std::function<void()> changed);
    ~DesktopColorScheme();
    DesktopColorScheme(const DesktopColorScheme&) = delete;
    DesktopColorScheme& operator=(const DesktopColorScheme&) = delete;

    ui::ColorScheme current() const;

    class State;

private:
    std::shared_ptr<State> m_state;
};

}
