#pragma once

#include "Platform/Runtime/Color.hpp"
#include "Platform/Runtime/Date.hpp"
#include "Platform/UI/View.hpp"
#include "TVKCore/Events/Event.hpp"

#include <optional>

namespace tvk {

/// The join-call button of an event row: the "video.fill" symbol in a gray capsule, nothing
/// for an event without video-call links.
///
/// It is active while the event runs at `now` (both ends included) or while its alert is due
/// (`isPending`, which the row works out): green while running, orange when pending, the
/// control-text colour otherwise; an inactive button takes the disabled effect, a fainter
/// capsule, and cannot be clicked. An active one opens the event's join-call link.
struct CameraButton {
    /// How the button is drawn in one state.
    struct Appearance {
        /// The symbol's colour, its system effect included.
        Color color;
        /// The opacity of the gray capsule behind the symbol.
        double capsuleOpacity = 0.3;
        bool isClickable = false;
        bool operator==(const Appearance&) const = default;
    };

    Event event;
    Date now;
    bool isPending = false;

    /// None for an event without video-call links, which has no button.
    std::optional<Appearance> appearance() const;
    ui::View body() const;
};

}
