#pragma once

#include "Platform/Widgets/TimelineProvider.hpp"

#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <typeinfo>

namespace tvk::widgets {

namespace detail {
// At namespace scope, where no member named `summaryLine` hides the entry's own from lookup.
template <TimelineEntry Entry> std::string entrySummaryLine(const Entry& entry)
{
    return summaryLine(entry);
}
}

/// An entry of any widget, as the host and the headless commands hold it: its date and its
/// printed forms, and the typed entry for the content builder of the widget that made it.
/// Cheap to copy; the entry itself is shared and never changes.
class AnyTimelineEntry {
public:
    template <TimelineEntry Entry>
    explicit AnyTimelineEntry(Entry entry)
        : m_model(std::make_shared<const Model<Entry>>(std::move(entry)))
    {
    }

    Date date() const { return m_model->date(); }
    nlohmann::json json() const { return m_model->json(); }
    std::string summaryLine() const { return m_model->line(); }

    /// The entry when it is an `Entry`; null otherwise.
    template <class Entry> const Entry* get() const
    {
        if (m_model->type() != typeid(Entry))
            return nullptr;
        return &static_cast<const Model<Entry>&>(*m_model).entry;
    }

private:
    struct Concept {
        virtual ~Concept() = default;
        virtual Date date() const = 0;
        virtual nlohmann::json json() const = 0;
        virtual std::string line() const = 0;
        virtual const std::type_info& type() const = 0;
    };
    template <class Entry> struct Model final : Concept {
        explicit Model(Entry entry)
            : entry(std::move(entry))
        {
        }
        Date date() const override { return entry.date; }
        nlohmann::json json() const override { return nlohmann::json(entry); }
        std::string line() const override { return detail::entrySummaryLine(entry); }
        const std::type_info& type() const override { return typeid(Entry); }
        Entry entry;
    };

    std::shared_ptr<const Concept> m_model;
};

}
