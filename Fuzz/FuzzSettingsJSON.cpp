// Per-event settings and own reminders arrive as JSON from the shared settings, which any
// program can write. Decoding must survive anything, and whatever decodes must encode and
// decode again to the same values, or a write of ours would change what the user stored.

#include "TVKCore/Settings/EventSettings.hpp"
#include "TVKCore/Settings/Reminder.hpp"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view json(reinterpret_cast<const char*>(data), size);

    if (auto settings = tvk::EventSettings::decode(json)) {
        auto encoded = settings->encode();
        if (!encoded)
            std::abort();
        auto again = tvk::EventSettings::decode(*encoded);
        if (!again || *again != *settings)
            std::abort();
    }

    if (auto reminders = tvk::Reminder::decodeList(json)) {
        auto encoded = tvk::Reminder::encodeList(*reminders);
        if (!encoded)
            std::abort();
        auto again = tvk::Reminder::decodeList(*encoded);
        if (!again || again->size() != reminders->size())
            std::abort();
        for (std::size_t index = 0; index < reminders->size(); ++index) {
            if (!(*again)[index].hasSameContents((*reminders)[index]))
                std::abort();
        }
    }
    return 0;
}
