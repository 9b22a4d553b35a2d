#pragma once

// The widget views laid out as the host lays them out (`WidgetContainer`: the family's size,
// the content margins), with the program's own English string table, in en_US and Berlin time,
// and texts measured with round numbers (`FixedTextMeasurer`), so that tests can read what a
// person or a screen reader finds: texts with their frames, links with theirs. Events are made
// here with one hour and a video-call link unless a test says otherwise.

#include "Platform/UI/UI.hpp"
#include "Platform/Widgets/WidgetContainer.hpp"
#include "Platform/Widgets/WidgetStringTable.hpp"
#include "TVKCore/Events/Event.hpp"
#include "TarvikWidgetExtension/TarvikWidgetBundle.hpp"
#include "Tests/Platform/UI/UITestSupport.hpp"
#include "Tests/Support/Dates.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tvk::test {

using ui::WidgetFamily;

/// A calendar event "work:<title>" from `start` to `end`, blue, with a video-call link.
inline Event meeting(const std::string& title, const char* start, const char* end)
{
    Event event { .id = "work:" + title, .startDate = at(start), .endDate = at(end), .title = title };
    event.color = Color::named(Color::System::blue);
    event.videoConferenceLinks = { VideoConferenceLink::demo() };
    return event;
}

class DrawnWidget {
public:
    DrawnWidget(const ui::View& view, WidgetFamily family, Date renderDate, ui::Size size = {})
    {
        static const widgets::WidgetStringTable strings { std::string(TarvikWidgetBundle::resourceBundleName) };
        ui::EnvironmentValues environment;
        environment.locale = "en_US";
        environment.timeZone = "Europe/Berlin";
        environment.localize = strings.localizer();
        ui::LayoutOptions options { &measurer, renderDate };
        if (size.width > 0) {
            environment.widgetFamily = family;
            m_layout.emplace(ui::ViewLayout::make(view, size, environment, options));
        } else {
            m_layout.emplace(widgets::WidgetContainer::layout(view, family, environment, options));
        }
    }

    const ui::ViewLayout& layout() const { return *m_layout; }
    std::vector<std::string> texts() const { return m_layout->accessibilityTexts(); }
    bool shows(std::string_view text) const
    {
        auto all = texts();
        return std::find(all.begin(), all.end(), text) != all.end();
    }
    /// The first text that holds `part`.
    std::optional<std::string> textContaining(std::string_view part) const
    {
        for (const auto& text : texts()) {
            if (text.find(part) != std::string::npos)
                return text;
        }
        return std::nullopt;
    }
    /// The frame of the first text that reads `text`; a test fails without one.
    ui::Rect frameOf(std::string_view text) const
    {
        for (const auto& element : m_layout->accessibilityTextElements()) {
            if (element.label == text)
                return element.frame;
        }
        ADD_FAILURE() << "no text \"" << text << "\" among " << testing::PrintToString(texts());
        return {};
    }
    /// The link regions whose URL starts with `prefix` ("tarvik://joinCall/"), innermost first.
    std::vector<ui::LinkRegion> links(std::string_view prefix = "") const
    {
        std::vector<ui::LinkRegion> found;
        for (const auto& link : m_layout->linkRegions()) {
            if (link.url.starts_with(prefix))
                found.push_back(link);
        }
        return found;
    }

    ui::test::FixedTextMeasurer measurer;

private:
    std::optional<ui::ViewLayout> m_layout;
};

}
