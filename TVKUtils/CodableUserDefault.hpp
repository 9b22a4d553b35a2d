#pragma once

#include "Platform/Defaults/UserDefaults.hpp"
#include "TVKUtils/SharedDefaults.hpp"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <tl/expected.hpp>
#include <utility>

namespace tvk {

/// The JSON form of a type kept in a `CodableUserDefault`, as the main application's JSON
/// coder writes and reads it. A type opts in with a specialization that provides
///
///     static tl::expected<T, std::string> decode(std::string_view json);
///     static tl::expected<std::string, std::string> encode(const T& value);
///
/// where the error texts say what is wrong, for tools and logs.
template <typename T> struct JSONCoding;

namespace detail {
/// The one log line of every failed read of a `CodableUserDefault`.
void logUnreadableCodableDefault();
}

/// A typed setting kept as JSON data under one key of a settings domain.
///
/// A read that finds no value, a value that is not data, or data that does not decode returns
/// the default and logs "could not load persisted filter rules" at error level: the message is
/// the main application's, and the exclude rules are the only setting of this kind. A write
/// whose value does not encode removes the key. Safe from any thread.
template <typename Value> class CodableUserDefault {
public:
    CodableUserDefault(std::string key, Value defaultValue, DefaultsSuite suite)
        : CodableUserDefault(std::move(key), std::move(defaultValue), suite, tvk::userDefaults(suite))
    {
    }
    /// Over an explicit domain standing in for `suite`'s, for tools and tests.
    CodableUserDefault(std::string key, Value defaultValue, DefaultsSuite suite, UserDefaults& store)
        : m_key(std::move(key))
        , m_defaultValue(std::move(defaultValue))
        , m_isShared(suite == DefaultsSuite::shared)
        , m_store(&store)
    {
    }

    const std::string& key() const { return m_key; }
    const Value& defaultValue() const { return m_defaultValue; }
    bool isShared() const { return m_isShared; }
    UserDefaults& userDefaults() const { return *m_store; }

    Value get() const
    {
        if (auto value = decodedValue(m_store->object(m_key)))
            return std::move(*value);
        detail::logUnreadableCodableDefault();
        return m_defaultValue;
    }

    tl::expected<void, DefaultsError> set(const Value& value) const
    {
        auto json = JSONCoding<Value>::encode(value);
        if (!json)
            return m_store->removeObject(m_key);
        return m_store->set(m_key, PropertyList(Data(json->begin(), json->end())));
    }

    /// Reads, changes and writes the value under the domain's lock. A missing key starts from
    /// the default; a stored value that does not decode is left as it is and the change is
    /// refused, so that an edit never replaces what another program stored with a form this
    /// one cannot read. A change that does not encode is refused too.
    tl::expected<void, DefaultsError> modify(const std::function<void(Value&)>& change) const
    {
        std::optional<DefaultsError> refusal;
        auto written = m_store->update(m_key, [&](std::optional<PropertyList> current) -> std::optional<PropertyList> {
            std::optional<Value> value;
            if (current) {
                value = decodedValue(current);
                if (!value) {
                    detail::logUnreadableCodableDefault();
                    refusal = DefaultsError { "the value stored under \"" + m_key + "\" cannot be read; it was left unchanged" };
                    return current;
                }
            } else {
                value = m_defaultValue;
            }
            change(*value);
            auto json = JSONCoding<Value>::encode(*value);
            if (!json) {
                refusal = DefaultsError { "the new value of \"" + m_key + "\" cannot be encoded: " + json.error() };
                return current;
            }
            return PropertyList(Data(json->begin(), json->end()));
        });
        if (!written)
            return written;
        if (refusal)
            return tl::unexpected(std::move(*refusal));
        return {};
    }

    /// The decoded value of a stored value; none when it is absent, not data, or not decodable.
    static std::optional<Value> decodedValue(const std::optional<PropertyList>& stored)
    {
        if (!stored)
            return std::nullopt;
        auto* data = stored->get<Data>();
        if (!data)
            return std::nullopt;
        auto decoded = JSONCoding<Value>::decode(std::string_view(reinterpret_cast<const char*>(data->data()), data->size()));
        if (!decoded)
            return std::nullopt;
        return std::move(*decoded);
    }

private:
    std::string m_key;
    Value m_defaultValue;
    bool m_isShared;
    UserDefaults* m_store;
};

}
