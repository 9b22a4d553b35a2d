#include "TarvikWidgetExtension/Views/EventCountdownView.hpp"

#include "Platform/UI/UI.hpp"
#include "TVKCore/DeepLinks/DeepLink.hpp"
#include "TVKUtils/DateComponentsFormatter.hpp"
#include "TarvikWidgetExtension/Views/EventDetailView.hpp"

namespace tvk {

using namespace tvk::ui;

namespace {

Text countdownText(const Event& event, Date renderDate)
{
    double minutes = (event.startDate - renderDate) / 60;
    if (minutes < 1)
        return Text(event.startDate, Text::DateStyle::timer);
    return Text(DateComponentsFormatter::countdownFormatter().string(renderDate, event.startDate).value_or("\u2013"));
}

}

View EventCountdownView::body() const
{
    return RenderDateReader([event = event](const EnvironmentValues&, Date renderDate) -> View {
        return Link(PreviewEventDeepLink(event.id).url().absoluteString(),
            VStack(HorizontalAlignment::leading,
                {
                    Text(LocalizedStringKey("Widget.nextEventCountdown.headline"))
                        .textCase(TextCase::uppercase)
                        .font(Font::system(10, Font::Weight::bold))
                        .foregroundStyle(ShapeStyle::secondary()),
                    countdownText(event, renderDate)
                        .foregroundStyle(Color::named(Color::System::orange))
                        .font(Font::system(30))
                        .allowsTightening(true)
                        .minimumScaleFactor(0.5)
                        .monospacedDigit(),
                    View(EventDetailView { event, renderDate, EventDetailView::Configuration::countdown() }).fixedSize(Axis::vertical),
                }));
    });
}

}
