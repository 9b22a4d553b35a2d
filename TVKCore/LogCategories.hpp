#pragma once

#include "QMLogger/LogCategory.hpp"

namespace tvk::LogCategories {

/// The categories the event core logs under, one constant per subsystem.

/// Video-call link detection and its services file.
inline const LogCategory conferenceLinks { "ConferenceLinks" };

}

namespace tvk::LogCategories {

/// The address book: access and participant lookups.
inline const LogCategory contacts { "Contacts" };

}

namespace tvk::LogCategories {
/// The calendar store: access requests and the listing of calendars.
inline const LogCategory eventKit { "EventKit" };
}
