#include "Platform/Widgets/WidgetConfiguration.hpp"

#include <algorithm>

namespace tvk::widgets {

WidgetConfiguration::WidgetConfiguration(std::string kind, std::shared_ptr<const Erased> erased)
    : m_kind(std::move(kind))
    , m_erased(std::move(erased))
    , m_supportedFamilies(
          { WidgetFamily::systemSmall, WidgetFamily::systemMedium, WidgetFamily::systemLarge, WidgetFamily::systemExtraLarge })
{
}

bool WidgetConfiguration::supports(WidgetFamily family) const
{
    return std::find(m_supportedFamilies.begin(), m_supportedFamilies.end(), family) != m_supportedFamilies.end();
}

WidgetConfiguration WidgetConfiguration::configurationDisplayName(std::string key) const
{
    auto copy = *this;
    copy.m_displayNameKey = std::move(key);
    return copy;
}

WidgetConfiguration WidgetConfiguration::description(std::string key) const
{
    auto copy = *this;
    copy.m_descriptionKey = std::move(key);
    return copy;
}

WidgetConfiguration WidgetConfiguration::supportedFamilies(std::vector<WidgetFamily> families) const
{
    auto copy = *this;
    copy.m_supportedFamilies = std::move(families);
    return copy;
}

WidgetConfiguration WidgetConfiguration::shortName(std::string name) const
{
    auto copy = *this;
    copy.m_shortName = std::move(name);
    return copy;
}

AnyTimelineEntry WidgetConfiguration::placeholder(const TimelineProviderContext& context) const
{
    return m_erased->placeholder(context);
}

void WidgetConfiguration::getSnapshot(const TimelineProviderContext& context, SnapshotCompletion completion) const
{
    m_erased->getSnapshot(context, std::move(completion));
}

void WidgetConfiguration::getTimeline(const TimelineProviderContext& context, TimelineCompletion completion) const
{
    m_erased->getTimeline(context, std::move(completion));
}

}
