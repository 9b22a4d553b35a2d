#pragma once

#include "Platform/Calendar/StoreParticipant.hpp"
#include "Platform/Contacts/ContactStore.hpp"

#include <memory>
#include <span>
#include <tl/expected.hpp>
#include <vector>

namespace tvk {

namespace eds {
class Bridge;
}

/// The address books of Evolution Data Server (the GNOME desktop's contacts, those of GNOME
/// Online Accounts included), which participant lookup asks after the vCard folders.
class EdsAddressBooks {
public:
    explicit EdsAddressBooks(std::shared_ptr<eds::Bridge> bridge);
    ~EdsAddressBooks();

    /// The books when TARVIK_CALENDAR_BACKEND chooses Evolution Data Server (`eds`, or `auto`
    /// with its registry running); none otherwise, without loading any EDS library.
    static std::unique_ptr<EdsAddressBooks> makeDefault();

    /// The cards of every enabled book that the predicate finds, as `ContactStore` finds them:
    /// by e-mail address when it names one, else by full name; book by book. Fails with
    /// `unreadable` when no book could be asked.
    tl::expected<std::vector<StoreContact>, ContactStoreError> unifiedContacts(
        const ContactPredicate& predicate, std::span<const ContactKey> keysToFetch) const;

private:
    std::shared_ptr<eds::Bridge> m_bridge;
};

}
