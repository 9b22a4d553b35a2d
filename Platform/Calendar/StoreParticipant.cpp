#include "Platform/Calendar/StoreParticipant.hpp"

#include <glib.h>

namespace tvk {

const char* statusName(StoreParticipantStatus status)
{
    switch (status) {
    case StoreParticipantStatus::unknown: return "unknown";
    case StoreParticipantStatus::pending: return "pending";
    case StoreParticipantStatus::accepted: return "accepted";
    case StoreParticipantStatus::declined: return "declined";
    case StoreParticipantStatus::tentative: return "tentative";
    case StoreParticipantStatus::delegated: return "delegated";
    case StoreParticipantStatus::completed: return "completed";
    case StoreParticipantStatus::inProcess: return "in process";
    }
    return "unknown";
}

namespace {

const char* roleName(ParticipantRole role)
{
    switch (role) {
    case ParticipantRole::unknown: return "unknown";
    case ParticipantRole::required: return "required";
    case ParticipantRole::optional: return "optional";
    case ParticipantRole::chair: return "chair";
    case ParticipantRole::nonParticipant: return "non-participant";
    }
    return "unknown";
}

}

std::string StoreParticipant::description() const
{
    // The scheme's letter case does not matter ("MAILTO:" is common in invitations), as for
    // the store itself when it matches participants to the user's addresses.
    std::string email;
    if (url && url->size() > 7 && g_ascii_strncasecmp(url->c_str(), "mailto:", 7) == 0)
        email = url->substr(7);
    return "StoreParticipant {name = " + name.value_or("") + "; email = " + email + "; status = " + statusName(status)
        + "; role = " + roleName(role) + "; isCurrentUser = " + (isCurrentUser ? "true" : "false") + "}";
}

}
