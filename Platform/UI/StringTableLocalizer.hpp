#pragma once

#include "Platform/Text/ResourceBundle.hpp"
#include "Platform/UI/LocalizedStringKey.hpp"

#include <memory>
#include <string>

namespace tvk::ui {

/// Turns the keys of `Text` into texts from one string table of a resource bundle, as
/// `EnvironmentValues::localize` wants them. A key's text is the chosen localization's entry,
/// else the development localization's, else the key itself; for a key with a count (its first
/// integer argument) the entry is the form for that count's plural category, so that a table
/// holding
///
///     "^[%lld more events](inflect: true)|one" = "%lld more event";
///     "^[%lld more events](inflect: true)|other" = "%lld more events";
///
/// writes "1 more event" and "3 more events", and a Russian table can add its "few" and "many"
/// forms. The text is then filled with the key's arguments (`LocalizedStringKey::format`).
///
/// Copies share the bundle; safe from any thread, as the bundle is.
class StringTableLocalizer {
public:
    explicit StringTableLocalizer(std::shared_ptr<const ResourceBundle> bundle, std::string table = "Localizable");

    std::string operator()(const LocalizedStringKey& key) const;

private:
    std::shared_ptr<const ResourceBundle> m_bundle;
    std::string m_table;
};

}
