#pragma once

#include <cstddef>
#include <initializer_list>
#include <memory>
#include <vector>

namespace tvk {

/// A list with value semantics whose copies share one storage until one of them is edited.
/// Values that are copied into many lists (an event sits in the schedule, the alert
/// invocations and every widget entry at once) keep their large parts in one: a copy costs a
/// reference count, not an allocation per element.
///
/// Reading never copies; `edit()` gives a list that no other copy sees (copying the elements
/// first when another copy shares them). Like any value, one object must not be edited while
/// another thread reads that same object; copies may be read and edited on any thread.
template<typename T>
class SharedList {
public:
    using value_type = T;
    using const_iterator = typename std::vector<T>::const_iterator;
    using iterator = const_iterator;
    using size_type = std::size_t;

    SharedList() = default;
    SharedList(std::vector<T> items)
        : m_items(items.empty() ? nullptr : std::make_shared<std::vector<T>>(std::move(items)))
    {
    }
    SharedList(std::initializer_list<T> items)
        : SharedList(std::vector<T>(items))
    {
    }

    const_iterator begin() const { return items().begin(); }
    const_iterator end() const { return items().end(); }
    size_type size() const { return m_items ? m_items->size() : 0; }
    bool empty() const { return size() == 0; }
    const T& operator[](size_type index) const { return (*m_items)[index]; }
    const T& at(size_type index) const { return items().at(index); }
    const T& front() const { return m_items->front(); }
    const T& back() const { return m_items->back(); }
    const std::vector<T>& vector() const { return items(); }

    void clear() { m_items.reset(); }

    /// This copy's elements, no longer shared with any other copy.
    std::vector<T>& edit()
    {
        if (!m_items || m_items.use_count() > 1)
            m_items = std::make_shared<std::vector<T>>(items());
        return *m_items;
    }

    friend bool operator==(const SharedList& a, const SharedList& b)
    {
        return a.m_items == b.m_items || a.items() == b.items();
    }

private:
    const std::vector<T>& items() const
    {
        static const std::vector<T> none;
        return m_items ? *m_items : none;
    }

    // Written only through edit(), when this copy holds it alone.
    std::shared_ptr<std::vector<T>> m_items;
};

}
