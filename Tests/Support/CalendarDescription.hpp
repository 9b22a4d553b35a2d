#pragma once

#include "Platform/Calendar/CalendarStore.hpp"

#include <string>
#include <vector>

namespace tvk::test {

/// Everything a store hands out for a window, one line per event (every field, with its
/// calendar and participants) and then one per incomplete to-do of any date: two stores that
/// describe a window alike hand out the same things.
std::vector<std::string> describe(CalendarStore& store, Date start, Date end);

}
