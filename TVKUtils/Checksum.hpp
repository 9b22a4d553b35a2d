#pragma once

#include <cstdint>
#include <string_view>

namespace tvk {

/// The CRC-32 of IEEE 802.3 (zlib's `crc32`, starting from 0) over the text's UTF-8 bytes.
/// It keys caches of text-derived results: texts that differ in any byte, including in their
/// Unicode normalisation, get different keys.
std::uint32_t crc32(std::string_view text);

}
