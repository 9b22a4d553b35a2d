#include "TarvikWidgetExtension/Views/EventList.hpp"

#include "Platform/UI/UI.hpp"
#include "TVKCore/DeepLinks/DeepLink.hpp"
#include "TarvikWidgetExtension/Views/EventOccurrenceKey.hpp"

#include <algorithm>
#include <cstdint>

namespace tvk {

using namespace tvk::ui;

View EventList::body(const EnvironmentValues& environment) const
{
    bool isLarge = environment.widgetFamily == WidgetFamily::systemLarge;
    auto configuration = rowConfiguration(environment.widgetFamily);
    FlexibleFrame stretched { .maxWidth = infinity, .maxHeight = infinity, .alignment = Alignment::leading };

    // Candidates longer than the list would repeat the whole list: the list itself stands for
    // them. An empty list still gets its one-row candidate, which draws no row.
    std::vector<View> candidates;
    for (size_t shown = std::max<size_t>(1, std::min(maximumRows, events.size())); shown >= 1; --shown) {
        std::vector<Event> prefix(events.begin(), events.begin() + static_cast<std::ptrdiff_t>(std::min(shown, events.size())));
        std::vector<View> items { ForEach(prefix, occurrenceKey, [&](const Event& event) {
            return Link(PreviewEventDeepLink(event.id).url().absoluteString(),
                View(EventDetailView { event, now, configuration }).fixedSize(Axis::vertical));
        }) };
        size_t remaining = events.size() - prefix.size();
        if (countsHiddenEvents && remaining >= 1) {
            items.push_back(Text(LocalizedStringKey(hiddenEventsKey, { static_cast<std::int64_t>(remaining) }))
                                .font(Font::caption)
                                .foregroundStyle(ShapeStyle::secondary()));
        }
        items.push_back(Spacer(0));
        candidates.push_back(VStack(HorizontalAlignment::leading, isLarge ? 6 : 3, std::move(items)));
    }

    return VStack(HorizontalAlignment::leading, isLarge ? 10 : 5,
        {
            Text(LocalizedStringKey(headerKey))
                .textCase(TextCase::uppercase)
                .font(Font::system(10, Font::Weight::bold))
                .foregroundStyle(ShapeStyle::secondary()),
            VStack({ ViewThatFits(Axis::vertical, std::move(candidates)) }).frame(stretched),
        })
        .frame(stretched);
}

}
