#include "TarvikWidgetExtension/Views/CameraButton.hpp"

#include "Platform/UI/UI.hpp"
#include "TVKCore/DeepLinks/DeepLink.hpp"

namespace tvk {

using namespace tvk::ui;

std::optional<CameraButton::Appearance> CameraButton::appearance() const
{
    if (event.videoConferenceLinks.empty())
        return std::nullopt;
    bool isRunning = event.isCurrentEvent(now);
    bool isActive = isRunning || isPending;
    Color base = isRunning ? Color::named(Color::System::green)
        : isPending        ? Color::named(Color::System::orange)
                           : Color::named(Color::System::controlText);
    return Appearance { base.withSystemEffect(isActive ? Color::Effect::none : Color::Effect::disabled), isActive ? 0.5 : 0.3, isActive };
}

View CameraButton::body() const
{
    auto drawn = appearance();
    if (!drawn)
        return EmptyView();
    View icon = Image::systemName("video.fill")
                    .foregroundStyle(drawn->color)
                    .padding(EdgeInsets { 3, 6, 3, 6 })
                    .background(Capsule().fill(Color::named(Color::System::gray).withAlphaComponent(drawn->capsuleOpacity)));
    if (!drawn->isClickable)
        return icon;
    return Link(JoinCallDeepLink(event.id).url().absoluteString(), icon);
}

}
