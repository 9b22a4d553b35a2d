#pragma once

#include "Platform/Runtime/Date.hpp"
#include "Platform/UI/Geometry.hpp"
#include "Platform/Widgets/Timeline.hpp"
#include "Platform/Widgets/WidgetFamily.hpp"

#include <concepts>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>

namespace tvk::widgets {

/// What the host tells a provider about the widget it asks for.
struct TimelineProviderContext {
    WidgetFamily family = WidgetFamily::systemSmall;
    /// The widget's size in points (`ui::widgetSize` of the family).
    ui::Size displaySize;
    /// True when the widget is shown in a gallery, not placed.
    bool isPreview = false;

    bool operator==(const TimelineProviderContext&) const = default;

    static TimelineProviderContext forFamily(WidgetFamily family, bool isPreview = false)
    {
        return { family, ui::widgetSize(family), isPreview };
    }
};

/// One state of a widget: a value with the `date` from which the host shows it. Besides the
/// content builder, the headless commands read an entry: as JSON, through nlohmann's
/// `to_json` found by argument-dependent lookup, and as one line for people through
/// `summaryLine(entry)`, also found by argument-dependent lookup (without the date, which the
/// commands print themselves).
template <class Entry>
concept TimelineEntry = std::copy_constructible<Entry> && requires(const Entry& entry)
{
    {
        entry.date
        } -> std::convertible_to<Date>;
    nlohmann::json(entry);
    {
        summaryLine(entry)
        } -> std::convertible_to<std::string>;
};

/// Turns a widget's data into entries. The host calls these on threads of its choosing:
/// - `placeholder`: an entry at once, without loading anything, for a widget drawn before it
///   has data;
/// - `getSnapshot`: one entry from what is at hand, for galleries and the first drawing;
/// - `getTimeline`: entries and a reload policy, handed to `completion` whenever they are
///   ready (on any thread).
/// Providers are values: the configuration keeps the one it was built with.
template <class Provider>
concept TimelineProvider = std::copy_constructible<Provider> && TimelineEntry<typename Provider::Entry> && requires(
    const Provider& provider, const TimelineProviderContext& context, std::function<void(typename Provider::Entry)> snapshotCompletion,
    std::function<void(Timeline<typename Provider::Entry>)> timelineCompletion)
{
    {
        provider.placeholder(context)
        } -> std::same_as<typename Provider::Entry>;
    provider.getSnapshot(context, snapshotCompletion);
    provider.getTimeline(context, timelineCompletion);
};

}
