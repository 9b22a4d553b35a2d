#pragma once

#include "Platform/Text/PropertyList.hpp"

#include <string>
#include <string_view>
#include <tl/expected.hpp>

namespace tvk {

/// Reading and writing XML property lists through libplist. Binary property lists are
/// refused: libplist 2.2 aborts the process on some malformed ones.
class PropertyListSerialization {
public:
    /// Parses an XML property list. Malformed, truncated, binary or empty input, and input
    /// nested deeper than `maximumDepth`, is an error with a short description.
    static tl::expected<PropertyList, std::string> read(std::string_view bytes);

    /// The XML form, as the platform writes it (UTF-8, the Apple DOCTYPE, tab indentation).
    /// XML dates hold whole seconds; a fraction of a second is dropped.
    static tl::expected<std::string, std::string> writeXml(const PropertyList& value);

    static constexpr int maximumDepth = 128;
};

}
