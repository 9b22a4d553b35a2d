#pragma once

#include "Platform/Text/PropertyList.hpp"

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tvk {

/// How a typed setting reads from and writes to a stored property-list value: the conversions
/// that the main application's platform applies when it casts a stored object to a typed
/// value, reproduced for the types the settings use. Settings written by either program must
/// read the same in both, so a value that the platform would refuse to cast is refused here
/// too, and the setting falls back to its default.
///
/// | stored value      | as bool           | as integer                  | as string | as data | as list of T      |
/// |-------------------|-------------------|-----------------------------|-----------|---------|-------------------|
/// | Boolean           | itself            | 0 or 1                      | no        | no      | no                |
/// | integer           | 0 false, 1 true,  | itself                      | no        | no      | no                |
/// |                   | other values no   |                             |           |         |                   |
/// | real              | 0.0 false,        | when whole and within the   | no        | no      | no                |
/// |                   | 1.0 true, else no | 64-bit range, else no       |           |         |                   |
/// | string            | no                | no (not even "12")          | itself    | no      | no                |
/// | data              | no                | no                          | no        | itself  | no                |
/// | date, dictionary  | no                | no                          | no        | no      | no                |
/// | array             | no                | no                          | no        | no      | when every element|
/// |                   |                   |                             |           |         | casts to T        |
///
/// An empty array casts to a list of any element type.
template <typename T> struct PropertyListBridge;

template <> struct PropertyListBridge<bool> {
    static std::optional<bool> cast(const PropertyList& value)
    {
        if (auto* flag = value.get<bool>())
            return *flag;
        if (auto* integer = value.get<std::int64_t>()) {
            if (*integer == 0 || *integer == 1)
                return *integer == 1;
            return std::nullopt;
        }
        if (auto* real = value.get<double>()) {
            if (*real == 0.0 || *real == 1.0)
                return *real == 1.0;
            return std::nullopt;
        }
        return std::nullopt;
    }
    static PropertyList propertyList(bool value) { return PropertyList(value); }
};

template <> struct PropertyListBridge<std::int64_t> {
    static std::optional<std::int64_t> cast(const PropertyList& value)
    {
        if (auto* integer = value.get<std::int64_t>())
            return *integer;
        if (auto* flag = value.get<bool>())
            return *flag ? 1 : 0;
        if (auto* real = value.get<double>()) {
            // -2^63 is exact as a double; 2^63 is the first value out of range.
            if (std::isfinite(*real) && std::trunc(*real) == *real && *real >= -9223372036854775808.0 && *real < 9223372036854775808.0)
                return static_cast<std::int64_t>(*real);
            return std::nullopt;
        }
        return std::nullopt;
    }
    static PropertyList propertyList(std::int64_t value) { return PropertyList(value); }
};

template <> struct PropertyListBridge<std::string> {
    static std::optional<std::string> cast(const PropertyList& value)
    {
        if (auto* text = value.get<std::string>())
            return *text;
        return std::nullopt;
    }
    static PropertyList propertyList(const std::string& value) { return PropertyList(value); }
};

template <> struct PropertyListBridge<Data> {
    static std::optional<Data> cast(const PropertyList& value)
    {
        if (auto* data = value.get<Data>())
            return *data;
        return std::nullopt;
    }
    static PropertyList propertyList(const Data& value) { return PropertyList(value); }
};

template <typename Element> struct PropertyListBridge<std::vector<Element>> {
    static std::optional<std::vector<Element>> cast(const PropertyList& value)
    {
        auto* array = value.get<PropertyList::Array>();
        if (!array)
            return std::nullopt;
        std::vector<Element> result;
        result.reserve(array->size());
        for (auto& element : *array) {
            auto converted = PropertyListBridge<Element>::cast(element);
            if (!converted)
                return std::nullopt;
            result.push_back(std::move(*converted));
        }
        return result;
    }
    static PropertyList propertyList(const std::vector<Element>& value)
    {
        PropertyList::Array array;
        array.reserve(value.size());
        for (auto& element : value)
            array.push_back(PropertyListBridge<Element>::propertyList(element));
        return PropertyList(std::move(array));
    }
};

}
