#include "TVKUtils/Checksum.hpp"

#include <zlib.h>

namespace tvk {

std::uint32_t crc32(std::string_view text)
{
    return static_cast<std::uint32_t>(::crc32_z(0L, reinterpret_cast<const Bytef*>(text.data()), text.size()));
}

}
