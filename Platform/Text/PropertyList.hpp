#pragma once

#include "Platform/Runtime/Date.hpp"

#include <cstdint>
#include <map>
#include <string>
#include <variant>
#include <vector>

namespace tvk {

/// Bytes, as property lists and the JSON forms of the main application carry them.
using Data = std::vector<std::uint8_t>;

/// One property-list value: string, integer, real, Boolean, data, date, array or dictionary.
/// A plain value with deep equality; dictionaries keep their keys sorted, as the platform
/// writes them.
class PropertyList {
public:
    using Array = std::vector<PropertyList>;
    using Dictionary = std::map<std::string, PropertyList>;
    using Storage = std::variant<std::string, std::int64_t, double, bool, Data, Date, Array, Dictionary>;

    PropertyList()
        : m_storage(Dictionary {})
    {
    }
    PropertyList(std::string value)
        : m_storage(std::move(value))
    {
    }
    PropertyList(const char* value)
        : m_storage(std::string(value))
    {
    }
    PropertyList(std::int64_t value)
        : m_storage(value)
    {
    }
    PropertyList(int value)
        : m_storage(static_cast<std::int64_t>(value))
    {
    }
    PropertyList(double value)
        : m_storage(value)
    {
    }
    PropertyList(bool value)
        : m_storage(value)
    {
    }
    PropertyList(Data value)
        : m_storage(std::move(value))
    {
    }
    PropertyList(Date value)
        : m_storage(value)
    {
    }
    PropertyList(Array value)
        : m_storage(std::move(value))
    {
    }
    PropertyList(Dictionary value)
        : m_storage(std::move(value))
    {
    }

    template <typename T> bool is() const { return std::holds_alternative<T>(m_storage); }
    /// The value as T, or null when it holds another type (no conversion).
    template <typename T> const T* get() const { return std::get_if<T>(&m_storage); }
    template <typename T> T* get() { return std::get_if<T>(&m_storage); }

    const Storage& storage() const { return m_storage; }

    bool operator==(const PropertyList&) const = default;

private:
    Storage m_storage;
};

}
