#pragma once

#include "Platform/CommandLine/CommandError.hpp"
#include "TVKCore/Schedule/CalendarEventManager.hpp"

namespace tvk::tvkctl {

/// The shared manager, for a command that reads the calendars once and ends: its store does not
/// watch the calendar folders. To be called before anything else uses the shared manager.
CalendarEventManager& managerReadingOnce();

/// Runs one reload of `manager` as a widget's timeline does (posting nothing) and iterates the
/// main queue until it completes. A reload that has not completed after two minutes is stuck,
/// and the command fails saying so rather than hanging a script.
cli::CommandResult reloadAndWait(CalendarEventManager& manager);

}
