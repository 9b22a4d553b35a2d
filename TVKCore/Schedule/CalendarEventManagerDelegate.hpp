#pragma once

#include "TVKCore/Schedule/AlertInvocation.hpp"

#include <vector>

namespace tvk {

/// Who fires the alerts: told the whole schedule after every reload, and each snooze that was
/// dropped. Held weakly by the manager.
class CalendarEventManagerDelegate {
public:
    virtual ~CalendarEventManagerDelegate() = default;
    /// The schedule's invocations followed by the snoozes. On the main queue.
    virtual void didUpdateInvocations(const std::vector<AlertInvocation>& invocations) = 0;
    /// On the thread that removed the snooze.
    virtual void didRemoveSnooze(const AlertInvocation& invocation) = 0;
};

}
