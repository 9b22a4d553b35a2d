#pragma once

#include "Platform/Text/PropertyList.hpp"

#include <string>
#include <string_view>
#include <tl/expected.hpp>

namespace tvk {

/// Reading XML and binary property lists, and writing XML through libplist. Binary input is
/// read by `BinaryPropertyListReader`, never by libplist 2.2, which aborts the process on some
/// malformed binary property lists.
class PropertyListSerialization {
public:
    /// Parses an XML or binary ("bplist00") property list. Malformed, truncated or empty
    /// input, and input nested deeper than `maximumDepth`, is an error with a short description.
    static tl::expected<PropertyList, std::string> read(std::string_view bytes);

    /// The XML form, as the platform writes it (UTF-8, the Apple DOCTYPE, tab indentation).
    /// XML dates hold whole seconds; a fraction of a second is dropped.
    static tl::expected<std::string, std::string> writeXml(const PropertyList& value);

    static constexpr int maximumDepth = 128;
};

}
