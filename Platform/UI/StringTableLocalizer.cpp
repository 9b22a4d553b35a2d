#include "Platform/UI/StringTableLocalizer.hpp"

namespace tvk::ui {

StringTableLocalizer::StringTableLocalizer(std::shared_ptr<const ResourceBundle> bundle, std::string table)
    : m_bundle(std::move(bundle))
    , m_table(std::move(table))
{
}

std::string StringTableLocalizer::operator()(const LocalizedStringKey& key) const
{
    if (!m_bundle)
        return key.formattedKey();
    auto count = key.pluralCount();
    auto text = count ? m_bundle->localizedString(key.key, m_table, *count) : m_bundle->localizedString(key.key, m_table);
    if (!text)
        text = m_bundle->developmentString(key.key, m_table, count);
    if (!text)
        return key.formattedKey();
    return LocalizedStringKey::format(*text, key.arguments);
}

}
