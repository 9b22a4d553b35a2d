#pragma once

#include "Platform/Text/ResourceBundle.hpp"
#include "Platform/UI/LocalizedStringKey.hpp"

#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace tvk::widgets {

/// A widget program's own texts (display names, descriptions, the keys its views show): the
/// table "Localizable" of the resource bundle "<name>.bundle" in the resource directory
/// (`StandardPaths::resourceDirectory()`), in the user's language.
///
/// Texts that depend on a number take the form of its plural category (see
/// `ui::StringTableLocalizer`). A key the user's language lacks shows its development
/// (English) text, and a key no table has shows as itself, formatted, as the platform shows it.
/// A program installed without its bundle still runs that way, and says so once on standard
/// error. Safe from any thread.
class WidgetStringTable {
public:
    static constexpr std::string_view tableName = "Localizable";

    /// Looks for the bundle under the resource directory on first use.
    explicit WidgetStringTable(std::string bundleName);
    /// Over a bundle at a known path (tests, tools); none behaves as a missing bundle.
    explicit WidgetStringTable(std::unique_ptr<ResourceBundle> bundle);

    std::string localizedString(const ui::LocalizedStringKey& key) const;
    std::string localizedString(std::string_view key) const { return localizedString(ui::LocalizedStringKey(std::string(key))); }

    /// For `ui::EnvironmentValues::localize`; it shares the bundle, so it may outlive the table.
    std::function<std::string(const ui::LocalizedStringKey&)> localizer() const;

    /// The bundle in use; null when there is none.
    const ResourceBundle* bundle() const;

private:
    std::string m_bundleName;
    mutable std::once_flag m_located;
    mutable std::shared_ptr<const ResourceBundle> m_bundle;
};

}
