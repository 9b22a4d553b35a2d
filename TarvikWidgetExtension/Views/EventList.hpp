#pragma once

#include "Platform/Runtime/Date.hpp"
#include "Platform/UI/EnvironmentValues.hpp"
#include "Platform/UI/View.hpp"
#include "TVKCore/Events/Event.hpp"
#include "TarvikWidgetExtension/Views/EventDetailView.hpp"

#include <functional>
#include <string>
#include <vector>

namespace tvk {

/// What the upcoming and the current list share: a small upper-case header over as many rows
/// as fit the widget's height, each a link to its event's preview. The rows are the first
/// `maximumRows`, then one fewer, down to one, whichever is the first to fit whole; when not
/// even one fits, the first row alone is drawn. With `countsHiddenEvents`, a line under the
/// rows says how many events were left out.
struct EventList {
    std::string headerKey;
    std::vector<Event> events;
    Date now;
    size_t maximumRows = 1;
    std::function<EventDetailView::Configuration(ui::WidgetFamily)> rowConfiguration;
    bool countsHiddenEvents = false;

    /// The count line's key: the number of events left out, with its plural forms in the
    /// program's string table.
    static constexpr const char* hiddenEventsKey = "^[%lld more events](inflect: true)";

    ui::View body(const ui::EnvironmentValues& environment) const;
};

}
