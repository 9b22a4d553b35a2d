#include "TVKUtils/CodableUserDefault.hpp"

#include "QMLogger/QMLogger.hpp"

namespace tvk::detail {

void logUnreadableCodableDefault()
{
    QMLogger::error("could not load persisted filter rules");
}

}
