// Settings domain files and the services file are property lists that anyone can edit.

#include "Platform/Text/PropertyListSerialization.hpp"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto parsed = tvk::PropertyListSerialization::read(std::string_view(reinterpret_cast<const char*>(data), size));
    if (parsed) {
        auto written = tvk::PropertyListSerialization::writeXml(*parsed);
        if (written)
            (void)tvk::PropertyListSerialization::read(*written);
    }
    return 0;
}
