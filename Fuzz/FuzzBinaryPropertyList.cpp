// Binary property lists arrive as settings files copied from other machines; the reader must
// hold against any bytes. What it reads must also survive being written as XML and read back.

#include "Platform/Text/BinaryPropertyListReader.hpp"
#include "Platform/Text/PropertyListSerialization.hpp"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto read = tvk::BinaryPropertyListReader::read(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!read)
        return 0;
    if (auto xml = tvk::PropertyListSerialization::writeXml(*read)) {
        if (!tvk::PropertyListSerialization::read(*xml))
            std::abort();
    }
    return 0;
}
