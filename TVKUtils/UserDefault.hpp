#pragma once

#include "Platform/Defaults/UserDefaults.hpp"
#include "TVKUtils/PropertyListBridging.hpp"
#include "TVKUtils/SharedDefaults.hpp"

#include <functional>
#include <optional>
#include <string>
#include <tl/expected.hpp>
#include <type_traits>
#include <utility>

namespace tvk {

template <typename T> struct IsOptional : std::false_type {
};
template <typename T> struct IsOptional<std::optional<T>> : std::true_type {
};

/// A typed setting over one key of a settings domain, for values the domain holds directly:
/// Booleans, integers, strings, data, lists of them, and optionals of those.
///
/// Nothing is cached: every read asks the domain (which re-reads its file only when another
/// writer changed it) and every write goes to the file at once. A stored value that does not
/// cast to `Value` by the rules of `PropertyListBridge` reads as the default, silently.
/// Writing an absent optional removes the key. Safe from any thread.
template <typename Value> class UserDefault {
public:
    UserDefault(std::string key, Value defaultValue, DefaultsSuite suite)
        : UserDefault(std::move(key), std::move(defaultValue), suite, tvk::userDefaults(suite))
    {
    }
    /// Over an explicit domain standing in for `suite`'s, for tools and tests.
    UserDefault(std::string key, Value defaultValue, DefaultsSuite suite, UserDefaults& store)
        : m_key(std::move(key))
        , m_defaultValue(std::move(defaultValue))
        , m_isShared(suite == DefaultsSuite::shared)
        , m_store(&store)
    {
    }
    /// An optional setting of the program's own domain, absent by default.
    explicit UserDefault(std::string key) requires IsOptional<Value>::value : UserDefault(std::move(key), Value(), DefaultsSuite::standard)
    {
    }

    const std::string& key() const { return m_key; }
    const Value& defaultValue() const { return m_defaultValue; }
    bool isShared() const { return m_isShared; }
    UserDefaults& userDefaults() const { return *m_store; }

    Value get() const { return valueOf(m_store->object(m_key)); }

    tl::expected<void, DefaultsError> set(const Value& value) const
    {
        auto stored = propertyListOf(value);
        return stored ? m_store->set(m_key, std::move(*stored)) : m_store->removeObject(m_key);
    }

    /// Reads, changes and writes the value under the domain's lock, so a writer in another
    /// thread or process cannot slip in between and have its change lost.
    tl::expected<void, DefaultsError> modify(const std::function<void(Value&)>& change) const
    {
        return m_store->update(m_key, [&](std::optional<PropertyList> current) {
            Value value = valueOf(current);
            change(value);
            return propertyListOf(value);
        });
    }

    /// What a stored value reads as through this setting.
    Value valueOf(const std::optional<PropertyList>& stored) const
    {
        if (!stored)
            return m_defaultValue;
        if constexpr (IsOptional<Value>::value) {
            auto cast = PropertyListBridge<typename Value::value_type>::cast(*stored);
            return cast ? Value(std::move(*cast)) : m_defaultValue;
        } else {
            auto cast = PropertyListBridge<Value>::cast(*stored);
            return cast ? std::move(*cast) : m_defaultValue;
        }
    }

private:
    static std::optional<PropertyList> propertyListOf(const Value& value)
    {
        if constexpr (IsOptional<Value>::value) {
            if (!value)
                return std::nullopt;
            return PropertyListBridge<typename Value::value_type>::propertyList(*value);
        } else {
            return PropertyListBridge<Value>::propertyList(value);
        }
    }

    std::string m_key;
    Value m_defaultValue;
    bool m_isShared;
    UserDefaults* m_store;
};

}
