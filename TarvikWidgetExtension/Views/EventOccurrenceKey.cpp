#include "TarvikWidgetExtension/Views/EventOccurrenceKey.hpp"

namespace tvk {

std::string occurrenceKey(const Event& event)
{
    return event.id + "." + event.occurrenceDate.value_or(event.startDate).secondsDescription();
}

}
