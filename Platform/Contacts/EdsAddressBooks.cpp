#include "Platform/Contacts/EdsAddressBooks.hpp"

#include "Platform/Calendar/CalendarBackendChoice.hpp"
#include "Platform/Eds/EdsBridge.hpp"
#include "Platform/Eds/EdsModule.hpp"
#include "Platform/Runtime/PlatformLog.hpp"
#include "Platform/Text/AsciiWhitespace.hpp"

#include <algorithm>

namespace tvk {

EdsAddressBooks::EdsAddressBooks(std::shared_ptr<eds::Bridge> bridge)
    : m_bridge(std::move(bridge))
{
}

EdsAddressBooks::~EdsAddressBooks() = default;

std::unique_ptr<EdsAddressBooks> EdsAddressBooks::makeDefault()
{
    if (!CalendarBackendChoice::usesEds(CalendarBackendChoice::fromEnvironment()))
        return nullptr;
    auto bridge = EdsModule::bridge();
    if (!bridge) {
        PlatformLog::warning("Contacts", "the desktop's address books cannot be read: " + bridge.error());
        return nullptr;
    }
    return std::make_unique<EdsAddressBooks>(*bridge);
}

tl::expected<std::vector<StoreContact>, ContactStoreError> EdsAddressBooks::unifiedContacts(
    const ContactPredicate& predicate, std::span<const ContactKey> keysToFetch) const
{
    auto wants = [&](ContactKey key) { return std::find(keysToFetch.begin(), keysToFetch.end(), key) != keysToFetch.end(); };
    eds::ContactQuery query;
    if (predicate.emailAddress && !trimmedAsciiWhitespace(*predicate.emailAddress).empty())
        query.emailAddress = std::string(trimmedAsciiWhitespace(*predicate.emailAddress));
    else if (predicate.name && !trimmedAsciiWhitespace(*predicate.name).empty())
        query.name = std::string(trimmedAsciiWhitespace(*predicate.name));
    else
        return std::vector<StoreContact> {};
    query.withPhoto = wants(ContactKey::thumbnailImageData);
    auto cards = m_bridge->contacts(query);
    if (!cards)
        return tl::unexpected(ContactStoreError { ContactStoreError::Code::unreadable, cards.error() });
    std::vector<StoreContact> result;
    for (auto& card : *cards) {
        StoreContact contact;
        contact.identifier = card.uid;
        if (wants(ContactKey::givenName))
            contact.givenName = card.givenName;
        if (wants(ContactKey::familyName))
            contact.familyName = card.familyName;
        if (wants(ContactKey::emailAddresses))
            contact.emailAddresses = card.emailAddresses;
        if (wants(ContactKey::thumbnailImageData))
            contact.thumbnailImageData = card.photo;
        result.push_back(std::move(contact));
    }
    return result;
}

}
