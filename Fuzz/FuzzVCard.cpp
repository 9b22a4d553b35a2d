// Address books come from phones, servers and other programs; reading their cards, and the
// pictures inside them, must survive anything.

#include "Platform/Contacts/ContactImage.hpp"
#include "Platform/Contacts/VCard.hpp"
#include "Platform/Text/PercentEncoding.hpp"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    for (auto& card : tvk::VCardParser::parse(std::string_view(reinterpret_cast<const char*>(data), size))) {
        // Every text handed out is UTF-8, whatever the input.
        for (auto* text : { &card.formattedName, &card.givenName, &card.familyName, &card.uid }) {
            if (*text && !tvk::isValidUtf8(**text))
                std::abort();
        }
        for (auto& address : card.emailAddresses) {
            if (!tvk::isValidUtf8(address))
                std::abort();
        }
        if (card.photo && card.photo->size() < 64 * 1024)
            tvk::ContactImage::decode(*card.photo, 64);
    }
    return 0;
}
