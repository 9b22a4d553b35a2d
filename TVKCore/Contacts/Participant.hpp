#pragma once

#include "Platform/Contacts/ContactImage.hpp"
#include "TVKCore/Events/ParticipantStatus.hpp"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace tvk {

/// An event's participant as it is shown: the address-book card's names and picture when the
/// card was found, the calendar's data otherwise.
struct Participant {
    /// The contact's identifier when the card was found, else a fresh random UUID (so such a
    /// participant is a new one each time it is built).
    std::string id;
    /// The card's names; none when no card was found.
    std::optional<std::string> givenName;
    std::optional<std::string> familyName;
    /// From the calendar.
    std::optional<std::string> email;
    /// The calendar's name for the participant, else the e-mail, else "unknown" in the user's
    /// language; trimmed.
    std::string fallbackName;
    /// The card's picture; none without a card, a picture, or a picture that decodes.
    std::shared_ptr<const ContactImage> image;
    bool isOrganizer = false;
    ParticipantStatus status = ParticipantStatus::unknown;

    /// For a round avatar: "AL" for Ada Lovelace, the fallback name's initials (or its first
    /// two characters, when it is no name) without a card, "–" when nothing is left.
    std::string initials() const;
    /// "Ada Lovelace", the fallback name without a card; " (organizer)" in the user's language
    /// appended for the organizer.
    std::string displayName() const;

    /// The same id, or else both with an e-mail and the same e-mail, letter case aside
    /// ("Dana@Example.com" is dana@example.com to every mail server in use).
    bool operator==(const Participant& other) const;
};

}

/// Equal participants may share nothing but an id with one and an e-mail with another, so only
/// a constant hash keeps equal participants hashing alike. Participant lists are short.
template <> struct std::hash<tvk::Participant> {
    size_t operator()(const tvk::Participant&) const noexcept { return 0; }
};
