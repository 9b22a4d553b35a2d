#include "TVKCore/Contacts/ContactsStore.hpp"

#include "Platform/Runtime/ProcessWideInstance.hpp"
#include "Platform/Runtime/UUID.hpp"
#include "QMLogger/QMLogger.hpp"
#include "TVKCore/LogCategories.hpp"
#include "TVKLocalization/L10n.hpp"
#include "TVKUtils/WhitespaceTrimming.hpp"

#include <algorithm>
#include <array>

namespace tvk {

ContactsStore& ContactsStore::shared()
{
    static auto* instance = new ProcessWideInstance<ContactsStore>;
    return instance->get([] { return new ContactsStore(ContactStore::makeDefault()); });
}

ContactsStore::ContactsStore(std::unique_ptr<ContactStore> contactsStore)
    : m_contactsStore(std::move(contactsStore))
    , m_hasContactsAccess(m_contactsStore->authorizationStatus() == ContactsAuthorizationStatus::authorized)
{
}

void ContactsStore::requestAccess(AccessCompletion completion)
{
    QMLogger::info(LogCategories::contacts, "Requesting Contacts access");
    m_contactsStore->requestAccess([this, completion = std::move(completion)](bool granted, std::optional<ContactStoreError> error) {
        if (error) {
            completion(tl::unexpected(ContactsAccessError(std::move(*error))));
            return;
        }
        m_hasContactsAccess = granted;
        if (!granted) {
            QMLogger::info(LogCategories::contacts, "Contacts access not granted");
            completion(tl::unexpected(ContactsAccessError(ContactsError::accessNotGranted)));
            return;
        }
        QMLogger::info(LogCategories::contacts, "Contacts access granted");
        completion({});
    });
}

Participant ContactsStore::participant(const Event::ParticipantData& data) const
{
    static constexpr std::array keys { ContactKey::givenName, ContactKey::familyName, ContactKey::thumbnailImageData };

    Participant participant;
    participant.fallbackName = trimmingWhitespaceAndNewlines(data.name ? *data.name : data.email ? *data.email : L10n::General::unknown());
    participant.email = data.email;
    participant.isOrganizer = data.isOrganizer;
    participant.status = data.status;

    auto contacts = m_contactsStore->unifiedContacts(data.contactPredicate, keys);
    if (contacts && !contacts->empty()) {
        auto& contact = contacts->front();
        participant.id = contact.identifier;
        participant.givenName = contact.givenName;
        participant.familyName = contact.familyName;
        if (contact.thumbnailImageData) {
            if (auto image = ContactImage::decode(*contact.thumbnailImageData))
                participant.image = std::make_shared<const ContactImage>(std::move(*image));
        }
    } else {
        participant.id = UUID().uuidString();
    }
    return participant;
}

std::vector<Participant> ContactsStore::participants(const Event& event) const
{
    std::vector<Participant> result;
    for (auto& data : event.participantsData) {
        auto candidate = participant(data);
        // Kept only when unlike every one kept so far, which is what an insertion-ordered set
        // with this equality keeps. The one kept stays the organizer when either record is.
        if (auto earlier = std::find(result.begin(), result.end(), candidate); earlier != result.end())
            earlier->isOrganizer = earlier->isOrganizer || candidate.isOrganizer;
        else
            result.push_back(std::move(candidate));
    }
    return result;
}

}
