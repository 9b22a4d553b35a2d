#include "TarvikWidgetExtension/Views/EventTitleList.hpp"

#include "Platform/UI/UI.hpp"

namespace tvk {

using namespace tvk::ui;

ui::View EventTitleList(const std::string& headerKey, const std::string& emptyKey, const std::vector<Event>& events)
{
    if (events.empty())
        return Text(LocalizedStringKey(emptyKey)).font(Font::system(12)).foregroundStyle(ShapeStyle::secondary());
    std::vector<View> rows { Text(LocalizedStringKey(headerKey))
                                 .font(Font::system(10, Font::Weight::bold))
                                 .foregroundStyle(ShapeStyle::secondary())
                                 .textCase(TextCase::uppercase) };
    for (auto& event : events)
        rows.push_back(
            HStack({ Text(event.title.value_or("")).bold().lineLimit(1), Spacer(4), Text(event.startDate, Text::DateStyle::time) }));
    rows.push_back(Spacer(0));
    return VStack(HorizontalAlignment::leading, 4, rows)
        .font(Font::system(11))
        .frame(FlexibleFrame { .maxWidth = infinity, .maxHeight = infinity, .alignment = Alignment::topLeading });
}

}
