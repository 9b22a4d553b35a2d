#pragma once

#include "Platform/UI/View.hpp"

#include <string>

namespace tvk {

/// What a widget shows when it has no event: the "noevents" picture above `title`, a key of
/// the program's string table.
struct NoEventsView {
    std::string title;

    ui::View body() const;
};

}
