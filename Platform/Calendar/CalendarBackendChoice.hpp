#pragma once

#include "Platform/Calendar/ICalendarStore.hpp"

#include <memory>
#include <optional>
#include <string_view>

namespace tvk {

/// Which calendar store the programs read, from TARVIK_CALENDAR_BACKEND:
///
/// | value           | store                                                                |
/// |-----------------|----------------------------------------------------------------------|
/// | `vdir`          | the iCalendar files under the calendar roots only                    |
/// | `eds`           | Evolution Data Server only (started through D-Bus when not running)  |
/// | `auto` (default)| the files, plus Evolution Data Server when its source registry runs  |
///
/// With `auto` and no registry on the session bus, the store is exactly the files' store and
/// no EDS library is loaded. The same choice decides whether participant lookup also asks the
/// desktop's address books.
class CalendarBackendChoice {
public:
    enum class Backend { vdir, eds, automatic };

    static constexpr char environmentVariable[] = "TARVIK_CALENDAR_BACKEND";

    /// The choice the environment makes; an unknown value is `automatic`, with a warning.
    static Backend fromEnvironment();
    static std::optional<Backend> parse(std::string_view text);

    /// Whether the desktop's calendar service is to be used: chosen explicitly, or `automatic`
    /// and its registry runs on the session bus now.
    static bool usesEds(Backend backend);

    /// The store the programs read, as the environment chooses it.
    static std::unique_ptr<CalendarStore> makeDefaultStore(ICalendarStore::Monitoring monitoring);
    static std::unique_ptr<CalendarStore> makeStore(Backend backend, ICalendarStore::Monitoring monitoring);
};

}
