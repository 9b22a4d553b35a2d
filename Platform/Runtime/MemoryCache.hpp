#pragma once

#include <mutex>
#include <optional>
#include <unordered_map>

namespace tvk {

/// A thread-safe in-memory map with no count or cost limit. It never evicts by itself; values
/// are copied in and out, so keep them cheap to copy (or hold them by shared pointer).
template <typename Key, typename Value, typename Hash = std::hash<Key>> class MemoryCache {
public:
    std::optional<Value> object(const Key& key) const
    {
        std::lock_guard lock(m_mutex);
        auto found = m_entries.find(key);
        if (found == m_entries.end())
            return std::nullopt;
        return found->second;
    }

    void setObject(Value value, const Key& key)
    {
        std::lock_guard lock(m_mutex);
        m_entries.insert_or_assign(key, std::move(value));
    }

    void removeObject(const Key& key)
    {
        std::lock_guard lock(m_mutex);
        m_entries.erase(key);
    }

    void removeAllObjects()
    {
        std::lock_guard lock(m_mutex);
        m_entries.clear();
    }

    size_t count() const
    {
        std::lock_guard lock(m_mutex);
        return m_entries.size();
    }

private:
    mutable std::mutex m_mutex;
    std::unordered_map<Key, Value, Hash> m_entries;
};

}
