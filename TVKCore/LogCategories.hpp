#pragma once

#include "QMLogger/LogCategory.hpp"

namespace tvk::LogCategories {

/// The categories the event core logs under, one constant per subsystem.

/// Video-call link detection and its services file.
inline const LogCategory conferenceLinks { "ConferenceLinks" };

}
