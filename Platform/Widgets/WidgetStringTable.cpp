#include "Platform/Widgets/WidgetStringTable.hpp"

#include "Platform/Runtime/PlatformLog.hpp"
#include "Platform/Runtime/StandardPaths.hpp"
#include "Platform/UI/StringTableLocalizer.hpp"

namespace tvk::widgets {

WidgetStringTable::WidgetStringTable(std::string bundleName)
    : m_bundleName(std::move(bundleName))
{
}

WidgetStringTable::WidgetStringTable(std::unique_ptr<ResourceBundle> bundle)
    : m_bundle(std::move(bundle))
{
    std::call_once(m_located, [] {});
}

const ResourceBundle* WidgetStringTable::bundle() const
{
    std::call_once(m_located, [this] {
        auto directory = StandardPaths::resourceDirectory();
        auto path = directory.value_or(std::filesystem::path()) / (m_bundleName + ".bundle");
        if (directory)
            m_bundle = ResourceBundle::open(path);
        if (!m_bundle) {
            PlatformLog::warning("Widgets",
                "no string table " + m_bundleName + ".bundle in the resource directory ("
                    + (directory ? directory->string() : std::string("none found")) + "; set TARVIK_RESOURCES): texts show their keys");
        }
    });
    return m_bundle.get();
}

std::string WidgetStringTable::localizedString(const ui::LocalizedStringKey& key) const
{
    return localizer()(key);
}

std::function<std::string(const ui::LocalizedStringKey&)> WidgetStringTable::localizer() const
{
    bundle();
    return ui::StringTableLocalizer(m_bundle, std::string(tableName));
}

}
