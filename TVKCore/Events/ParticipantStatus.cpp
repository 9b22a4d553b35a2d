#include "TVKCore/Events/ParticipantStatus.hpp"

namespace tvk {

ParticipantStatus participantStatus(StoreParticipantStatus status)
{
    switch (status) {
    case StoreParticipantStatus::unknown: return ParticipantStatus::unknown;
    case StoreParticipantStatus::pending: return ParticipantStatus::pending;
    case StoreParticipantStatus::accepted: return ParticipantStatus::accepted;
    case StoreParticipantStatus::declined: return ParticipantStatus::declined;
    case StoreParticipantStatus::tentative: return ParticipantStatus::tentative;
    case StoreParticipantStatus::delegated:
    case StoreParticipantStatus::completed:
    case StoreParticipantStatus::inProcess: return ParticipantStatus::unknown;
    }
    return ParticipantStatus::unknown;
}

}
