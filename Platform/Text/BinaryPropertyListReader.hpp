#pragma once

#include "Platform/Text/PropertyList.hpp"

#include <string>
#include <string_view>
#include <tl/expected.hpp>

namespace tvk {

/// Reads binary property lists ("bplist00", as the platform's defaults system, Python's
/// plistlib and plutil write them) without trusting a byte of them.
///
/// Every offset, count, length and object reference is checked against the input before it
/// is followed, objects that contain themselves are refused, and the work is bounded: at most
/// `maximumDepth` levels of nesting, and a result in proportion to the file, however often the
/// file refers to one object: at most `valuesPerByte` values per byte of the file (never
/// fewer than `minimumValueBudget`, never more than `maximumValues`), and `textBytesPerByte`
/// bytes of text and data per byte (never fewer than `minimumTextBudget`, never more than
/// `maximumBytes`). Writers share strings, numbers and dates, not collections, so a real file
/// holds about one value per object reference and stays far inside these; a few hundred bytes
/// of arrays that each refer to the next twice do not become a million values. Hostile input
/// gives an error with a short description, never a crash, a hang or an outsized allocation.
///
/// Every type a property list can hold is read; UIDs (keyed archives) read as integers, sets
/// as arrays. Null, integers beyond 64 bits with a sign, and dates that are not finite are
/// refused.
class BinaryPropertyListReader {
public:
    static tl::expected<PropertyList, std::string> read(std::string_view bytes);

    /// Whether `bytes` start like a binary property list of any version.
    static bool looksBinary(std::string_view bytes);

    static constexpr int maximumDepth = 128;
    static constexpr std::size_t maximumValues = 1 << 20;
    static constexpr std::size_t maximumBytes = 64 * 1024 * 1024;
    static constexpr std::size_t valuesPerByte = 16;
    static constexpr std::size_t minimumValueBudget = 4096;
    static constexpr std::size_t textBytesPerByte = 256;
    static constexpr std::size_t minimumTextBudget = 4 * 1024 * 1024;
};

}
