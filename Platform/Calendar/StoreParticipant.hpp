#pragma once

#include <optional>
#include <string>

namespace tvk {

enum class ParticipantRole { unknown = 0, required = 1, optional = 2, chair = 3, nonParticipant = 4 };

/// A participant's answer, with the raw values the platform store uses.
enum class StoreParticipantStatus {
    unknown = 0,
    pending = 1,
    accepted = 2,
    declined = 3,
    tentative = 4,
    delegated = 5,
    completed = 6,
    inProcess = 7
};

/// How the address book finds a participant's card: by e-mail address, else by name.
struct ContactPredicate {
    std::optional<std::string> emailAddress;
    std::optional<std::string> name;

    bool operator==(const ContactPredicate&) const = default;
};

/// The status in words for people and logs: "accepted", "in process", ...
const char* statusName(StoreParticipantStatus status);

/// An attendee or organizer of an event.
struct StoreParticipant {
    std::optional<std::string> name;
    /// The participant's address as a URI, usually "mailto:…".
    std::optional<std::string> url;
    ParticipantRole role = ParticipantRole::unknown;
    StoreParticipantStatus status = StoreParticipantStatus::unknown;
    bool isCurrentUser = false;
    ContactPredicate contactPredicate;

    /// A one-line description for logs that names every field, with the address as
    /// "email = ada@example.com;" (empty when the address is not a mail address).
    std::string description() const;

    bool operator==(const StoreParticipant&) const = default;
};

}
