#include "Platform/UI/EnvironmentValues.hpp"

#include "Platform/Runtime/StandardPaths.hpp"

namespace tvk::ui {

Size widgetSize(WidgetFamily family)
{
    switch (family) {
    case WidgetFamily::systemSmall: return { 170, 170 };
    case WidgetFamily::systemMedium: return { 364, 170 };
    case WidgetFamily::systemLarge: return { 364, 382 };
    case WidgetFamily::systemExtraLarge: return { 769, 382 };
    }
    return { 170, 170 };
}

std::string EnvironmentValues::localizedString(const LocalizedStringKey& key) const
{
    if (localize)
        return localize(key);
    return key.formattedKey();
}

ResolvedColor EnvironmentValues::resolve(const ShapeStyle& style) const
{
    return style.relativeTo(foregroundStyle).resolve(colorScheme, tint);
}

ResolvedColor EnvironmentValues::resolvedForeground() const
{
    return resolve(foregroundStyle.value_or(ShapeStyle::primary()));
}

std::filesystem::path EnvironmentValues::resolvedAssetDirectory() const
{
    if (assetDirectory)
        return *assetDirectory;
    if (auto resources = StandardPaths::resourceDirectory())
        return *resources / "Assets";
    return {};
}

}
