// Exclude rules arrive as JSON from the shared settings, which any program can write; decoding
// them and running their patterns against a title must survive anything.

#include "TVKCore/Rules/FilterRule.hpp"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto rules = tvk::FilterRule::decodeList(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!rules)
        return 0;
    tvk::StoreEvent event;
    event.title = "Weekly team sync 🚀";
    event.notes = "Join at https://meet.google.com/abc-defg-hij";
    event.startDate = tvk::Date(1796601600);
    (void)tvk::matchesAny(event, *rules);
    (void)tvk::FilterRule::decodeList(tvk::FilterRule::encodeList(*rules));
    return 0;
}
