#pragma once

#include "Platform/UI/View.hpp"
#include "Platform/Widgets/AnyTimelineEntry.hpp"
#include "Platform/Widgets/Timeline.hpp"
#include "Platform/Widgets/TimelineProvider.hpp"
#include "Platform/Widgets/WidgetFamily.hpp"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

namespace tvk::widgets {

/// One widget as a bundle declares it: its kind (the identifier the host knows it by), its
/// provider, the content builder that turns an entry into a view, its display name and
/// description (keys of the program's string table) and the families it comes in. Built with
/// `StaticConfiguration` and the modifiers below; a value, cheap to copy, sharing its provider.
///
/// A configuration made by `TimelineConfiguration` has no content builder (its content is the
/// empty view) until `showing` gives it one: a program that only runs providers builds its
/// widgets that way and so links no view code (see `TimelineProgram`).
class WidgetConfiguration {
public:
    using SnapshotCompletion = std::function<void(AnyTimelineEntry)>;
    using TimelineCompletion = std::function<void(Timeline<AnyTimelineEntry>)>;

    const std::string& kind() const { return m_kind; }
    const std::string& displayNameKey() const { return m_displayNameKey; }
    const std::string& descriptionKey() const { return m_descriptionKey; }
    /// All families unless the configuration names some.
    const std::vector<WidgetFamily>& supportedFamilies() const { return m_supportedFamilies; }
    /// A short name for command lines ("countdown"); none unless given.
    const std::optional<std::string>& shortName() const { return m_shortName; }
    bool supports(WidgetFamily family) const;

    WidgetConfiguration configurationDisplayName(std::string key) const;
    WidgetConfiguration description(std::string key) const;
    WidgetConfiguration supportedFamilies(std::vector<WidgetFamily> families) const;
    WidgetConfiguration shortName(std::string name) const;

    /// The provider's operations, with its entries wrapped.
    AnyTimelineEntry placeholder(const TimelineProviderContext& context) const;
    void getSnapshot(const TimelineProviderContext& context, SnapshotCompletion completion) const;
    void getTimeline(const TimelineProviderContext& context, TimelineCompletion completion) const;

    /// The content view of an entry; the empty view for an entry another widget's provider
    /// made, or without a content builder. (Defined here so that a program that never draws
    /// needs no view code.)
    ui::View content(const AnyTimelineEntry& entry) const { return m_erased->content ? m_erased->content(entry) : ui::EmptyView(); }

    /// This configuration with `content` making the view of each of its entries, which are
    /// `Entry` values.
    template <class Entry, class Content>
    requires std::is_invocable_r_v<ui::View, const Content&, const Entry&> WidgetConfiguration showing(Content content)
    const
    {
        auto erased = std::make_shared<Erased>(*m_erased);
        erased->content = [content = std::move(content)](const AnyTimelineEntry& entry) -> ui::View {
            if (auto* typed = entry.get<Entry>())
                return content(*typed);
            return ui::EmptyView();
        };
        auto copy = *this;
        copy.m_erased = std::move(erased);
        return copy;
    }

    template <TimelineProvider Provider> friend WidgetConfiguration TimelineConfiguration(std::string kind, Provider provider);

private:
    struct Erased {
        std::function<AnyTimelineEntry(const TimelineProviderContext&)> placeholder;
        std::function<void(const TimelineProviderContext&, SnapshotCompletion)> getSnapshot;
        std::function<void(const TimelineProviderContext&, TimelineCompletion)> getTimeline;
        std::function<ui::View(const AnyTimelineEntry&)> content;
    };
    WidgetConfiguration(std::string kind, std::shared_ptr<const Erased> erased);

    std::string m_kind;
    std::shared_ptr<const Erased> m_erased;
    std::string m_displayNameKey;
    std::string m_descriptionKey;
    std::vector<WidgetFamily> m_supportedFamilies;
    std::optional<std::string> m_shortName;
};

/// A widget whose entries come from `provider` alone (no user-chosen options), without content
/// (see `showing`).
template <TimelineProvider Provider> WidgetConfiguration TimelineConfiguration(std::string kind, Provider provider)
{
    using Entry = typename Provider::Entry;
    auto shared = std::make_shared<const Provider>(std::move(provider));
    auto erased = std::make_shared<WidgetConfiguration::Erased>();
    erased->placeholder = [shared](const TimelineProviderContext& context) { return AnyTimelineEntry(shared->placeholder(context)); };
    erased->getSnapshot = [shared](const TimelineProviderContext& context, WidgetConfiguration::SnapshotCompletion completion) {
        shared->getSnapshot(context, [completion = std::move(completion)](Entry entry) { completion(AnyTimelineEntry(std::move(entry))); });
    };
    erased->getTimeline = [shared](const TimelineProviderContext& context, WidgetConfiguration::TimelineCompletion completion) {
        shared->getTimeline(context, [completion = std::move(completion)](Timeline<Entry> timeline) {
            Timeline<AnyTimelineEntry> wrapped { {}, timeline.policy };
            wrapped.entries.reserve(timeline.entries.size());
            for (auto& entry : timeline.entries)
                wrapped.entries.emplace_back(std::move(entry));
            completion(std::move(wrapped));
        });
    };
    return WidgetConfiguration(std::move(kind), std::move(erased));
}

/// A widget whose entries come from `provider` alone (no user-chosen options): `content` makes
/// the view of an entry.
template <TimelineProvider Provider, class Content>
requires std::is_invocable_r_v<ui::View, const Content&, const typename Provider::Entry&> WidgetConfiguration StaticConfiguration(
    std::string kind, Provider provider, Content content)
{
    return TimelineConfiguration(std::move(kind), std::move(provider)).template showing<typename Provider::Entry>(std::move(content));
}

}
