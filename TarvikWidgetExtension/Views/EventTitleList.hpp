#pragma once

#include "Platform/UI/View.hpp"
#include "TVKCore/Events/Event.hpp"

#include <string>
#include <vector>

namespace tvk {

/// A plain rendering of a list entry: the header key upper-cased above each event's title and
/// start time, or the empty-state key alone when there are no events.
ui::View EventTitleList(const std::string& headerKey, const std::string& emptyKey, const std::vector<Event>& events);

}
