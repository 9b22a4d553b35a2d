#pragma once

#include "Platform/Contacts/ContactStore.hpp"
#include "TVKCore/Contacts/Participant.hpp"
#include "TVKCore/Events/Event.hpp"

#include <atomic>
#include <functional>
#include <memory>
#include <tl/expected.hpp>
#include <variant>
#include <vector>

namespace tvk {

enum class ContactsError { accessNotGranted };

/// Why an access request failed: the user's address books are not readable, or the platform
/// could not tell.
using ContactsAccessError = std::variant<ContactsError, ContactStoreError>;

/// Turns an event's participant records into displayable participants by looking each one up
/// in the address book, and owns the address-book access flag.
class ContactsStore {
public:
    /// Made on first use over the contact roots of that moment; lives as long as the process.
    static ContactsStore& shared();
    explicit ContactsStore(std::unique_ptr<ContactStore> contactsStore);

    ContactStore& contactsStore() const { return *m_contactsStore; }
    /// Whether the address book was readable when the store was made, then what the last
    /// request found.
    bool hasContactsAccess() const { return m_hasContactsAccess; }

    using AccessCompletion = std::function<void(tl::expected<void, ContactsAccessError>)>;
    /// Asks for access and completes on a worker thread: fails with the platform's error, or
    /// with `accessNotGranted` when the address books cannot be read. Sets the access flag
    /// unless the platform failed.
    void requestAccess(AccessCompletion completion);

    /// The event's participants in its order, each from its address-book card when one is
    /// found (one lookup per participant, on the calling thread), else from the calendar's
    /// data alone; a lookup that fails, for want of access or otherwise, is not reported.
    /// Participants equal to an earlier one (the organizer listed again as an attendee) are
    /// left out; the earlier one is marked as organizer when either was.
    std::vector<Participant> participants(const Event& event) const;

    /// One participant, as `participants` builds it.
    Participant participant(const Event::ParticipantData& data) const;

private:
    std::unique_ptr<ContactStore> m_contactsStore;
    std::atomic<bool> m_hasContactsAccess;
};

}
