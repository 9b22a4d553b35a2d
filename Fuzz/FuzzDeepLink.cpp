// Deep links name events whose identifiers come from calendar servers and may hold anything;
// any identifier must come back unchanged from its link, and any URL handed to the reader
// must be read or refused without harm.

#include "TVKCore/DeepLinks/DeepLinkBuilder.hpp"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string input(reinterpret_cast<const char*>(data), size);
    if (!input.empty()) {
        for (auto destination :
            { tvk::DeepLinkDestination::preview, tvk::DeepLinkDestination::viewInCalendar, tvk::DeepLinkDestination::joinCall }) {
            auto link = tvk::makeDeepLink(destination, input);
            auto read = tvk::DeepLinkBuilder::make(tvk::url(link));
            if (!read || *read != link)
                std::abort();
        }
    }
    if (auto url = tvk::Url::make(input))
        tvk::DeepLinkBuilder::make(*url);
    return 0;
}
