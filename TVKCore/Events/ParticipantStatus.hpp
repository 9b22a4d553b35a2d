#pragma once

#include "Platform/Calendar/StoreParticipant.hpp"

#include <array>

namespace tvk {

/// A participant's answer to an invitation, as the event core shows it.
enum class ParticipantStatus {
    accepted,
    tentative,
    declined,
    pending,
    unknown,
};

inline constexpr std::array<ParticipantStatus, 5> allParticipantStatuses {
    ParticipantStatus::accepted,
    ParticipantStatus::tentative,
    ParticipantStatus::declined,
    ParticipantStatus::pending,
    ParticipantStatus::unknown,
};

/// The store's statuses folded into the five the event core knows: delegated, completed, in
/// process and anything else read as unknown.
ParticipantStatus participantStatus(StoreParticipantStatus status);

}
