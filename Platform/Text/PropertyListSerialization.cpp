#include "Platform/Text/PropertyListSerialization.hpp"

#include "Platform/Text/BinaryPropertyListReader.hpp"

#include <plist/plist.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>

namespace tvk {

namespace {

struct PlistDeleter {
    void operator()(plist_t node) const { plist_free(node); }
};
using PlistPointer = std::unique_ptr<void, PlistDeleter>;

// libplist recurses once per nesting level; bound the depth before it gets there, by the
// container tags of XML input.
bool xmlNestingWithin(std::string_view xml, int limit)
{
    int depth = 0;
    for (size_t i = 0; i + 1 < xml.size(); ++i) {
        if (xml[i] != '<')
            continue;
        bool closing = xml[i + 1] == '/';
        size_t nameStart = i + (closing ? 2 : 1);
        auto matches = [&](std::string_view name) {
            if (xml.compare(nameStart, name.size(), name) != 0)
                return false;
            char after = nameStart + name.size() < xml.size() ? xml[nameStart + name.size()] : '\0';
            return after == '>' || after == ' ' || after == '\t' || after == '\n' || after == '\r';
        };
        if (!matches("array") && !matches("dict"))
            continue;
        if (closing) {
            --depth;
        } else {
            size_t close = xml.find('>', nameStart);
            bool selfClosing = close != std::string_view::npos && close > 0 && xml[close - 1] == '/';
            if (!selfClosing && ++depth > limit)
                return false;
        }
    }
    return true;
}

tl::expected<PropertyList, std::string> convert(plist_t node, int depth)
{
    if (depth > PropertyListSerialization::maximumDepth)
        return tl::unexpected(std::string("property list nested too deeply"));
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return PropertyList(value != 0);
    }
    case PLIST_UINT: {
        // libplist 2.2 keeps every integer as 64 bits without a sign; negative numbers are
        // stored in two's complement, so the cast gives them back.
        uint64_t value = 0;
        plist_get_uint_val(node, &value);
        return PropertyList(static_cast<std::int64_t>(value));
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        return PropertyList(value);
    }
    case PLIST_STRING: {
        // The pointer form keeps the stored length, so text with an embedded NUL is neither
        // cut short nor trips libplist's consistency assertion.
        uint64_t length = 0;
        const char* value = plist_get_string_ptr(node, &length);
        return PropertyList(value ? std::string(value, length) : std::string());
    }
    case PLIST_DATA: {
        char* bytes = nullptr;
        uint64_t length = 0;
        plist_get_data_val(node, &bytes, &length);
        Data data(reinterpret_cast<std::uint8_t*>(bytes), reinterpret_cast<std::uint8_t*>(bytes) + length);
        std::free(bytes);
        return PropertyList(std::move(data));
    }
    case PLIST_DATE: {
        int32_t seconds = 0, microseconds = 0;
        plist_get_date_val(node, &seconds, &microseconds);
        return PropertyList(Date::fromTimeIntervalSinceReferenceDate(seconds + microseconds / 1e6));
    }
    case PLIST_ARRAY: {
        PropertyList::Array array;
        uint32_t count = plist_array_get_size(node);
        array.reserve(count);
        for (uint32_t i = 0; i < count; ++i) {
            auto element = convert(plist_array_get_item(node, i), depth + 1);
            if (!element)
                return element;
            array.push_back(std::move(*element));
        }
        return PropertyList(std::move(array));
    }
    case PLIST_DICT: {
        PropertyList::Dictionary dictionary;
        plist_dict_iter iterator = nullptr;
        plist_dict_new_iter(node, &iterator);
        while (iterator) {
            char* key = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(node, iterator, &key, &value);
            if (!key)
                break;
            std::string keyText = key;
            std::free(key);
            if (!value)
                continue;
            auto converted = convert(value, depth + 1);
            if (!converted) {
                std::free(iterator);
                return converted;
            }
            dictionary.insert_or_assign(std::move(keyText), std::move(*converted));
        }
        std::free(iterator);
        return PropertyList(std::move(dictionary));
    }
    case PLIST_UID: {
        uint64_t value = 0;
        plist_get_uid_val(node, &value);
        return PropertyList(static_cast<std::int64_t>(value));
    }
    default: return tl::unexpected(std::string("unsupported property-list value"));
    }
}

plist_t toNode(const PropertyList& value)
{
    struct Visitor {
        plist_t operator()(const std::string& text) const { return plist_new_string(text.c_str()); }
        plist_t operator()(std::int64_t number) const { return plist_new_uint(static_cast<uint64_t>(number)); }
        plist_t operator()(double number) const { return plist_new_real(number); }
        plist_t operator()(bool flag) const { return plist_new_bool(flag ? 1 : 0); }
        plist_t operator()(const Data& data) const { return plist_new_data(reinterpret_cast<const char*>(data.data()), data.size()); }
        plist_t operator()(Date date) const
        {
            double seconds = date.timeIntervalSinceReferenceDate();
            double whole = std::floor(seconds);
            return plist_new_date(static_cast<int32_t>(whole), static_cast<int32_t>((seconds - whole) * 1e6));
        }
        plist_t operator()(const PropertyList::Array& array) const
        {
            plist_t node = plist_new_array();
            for (auto& element : array)
                plist_array_append_item(node, toNode(element));
            return node;
        }
        plist_t operator()(const PropertyList::Dictionary& dictionary) const
        {
            plist_t node = plist_new_dict();
            for (auto& [key, element] : dictionary)
                plist_dict_set_item(node, key.c_str(), toNode(element));
            return node;
        }
    };
    return std::visit(Visitor {}, value.storage());
}

bool fitsLibplistDate(const PropertyList& value)
{
    if (auto* date = value.get<Date>()) {
        double seconds = date->timeIntervalSinceReferenceDate();
        return std::isfinite(seconds) && seconds >= std::numeric_limits<int32_t>::min() && seconds < std::numeric_limits<int32_t>::max();
    }
    if (auto* array = value.get<PropertyList::Array>()) {
        for (auto& element : *array) {
            if (!fitsLibplistDate(element))
                return false;
        }
    }
    if (auto* dictionary = value.get<PropertyList::Dictionary>()) {
        for (auto& [key, element] : *dictionary) {
            if (!fitsLibplistDate(element))
                return false;
        }
    }
    return true;
}

}

tl::expected<PropertyList, std::string> PropertyListSerialization::read(std::string_view bytes)
{
    if (bytes.empty())
        return tl::unexpected(std::string("empty property list"));
    if (bytes.size() > std::numeric_limits<uint32_t>::max())
        return tl::unexpected(std::string("property list too large"));
    // libplist 2.2 aborts on some malformed binary property lists (strings whose stored length
    // disagrees with their text), so binary input goes to a reader that checks every byte.
    if (BinaryPropertyListReader::looksBinary(bytes))
        return BinaryPropertyListReader::read(bytes);
    if (!xmlNestingWithin(bytes, maximumDepth))
        return tl::unexpected(std::string("property list nested too deeply"));
    plist_t root = nullptr;
    plist_from_xml(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
    if (!root)
        return tl::unexpected(std::string("malformed XML property list"));
    PlistPointer owner(root);
    return convert(root, 0);
}

tl::expected<std::string, std::string> PropertyListSerialization::writeXml(const PropertyList& value)
{
    if (!fitsLibplistDate(value))
        return tl::unexpected(std::string("date outside the range a property list can hold"));
    PlistPointer root(toNode(value));
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(root.get(), &xml, &length);
    if (!xml)
        return tl::unexpected(std::string("could not write the property list"));
    std::string text(xml, length);
    plist_to_xml_free(xml);
    return text;
}

}
