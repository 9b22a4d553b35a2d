#include "TarvikWidgetExtension/Views/NoEventsView.hpp"

#include "Platform/UI/UI.hpp"

namespace tvk {

using namespace tvk::ui;

View NoEventsView::body() const
{
    return VStack(HorizontalAlignment::center, 10,
        {
            Image("noevents").resizable().aspectRatio(ContentMode::fit).frame(std::nullopt, 50).opacity(0.9),
            Text(LocalizedStringKey(title))
                .multilineTextAlignment(TextAlignment::center)
                .font(Font::system(12))
                .foregroundStyle(ShapeStyle::secondary()),
        });
}

}
