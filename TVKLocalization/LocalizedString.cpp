#include "TVKLocalization/LocalizedString.hpp"

#include "TVKLocalization/LocalizationBundle.hpp"

#include <algorithm>
#include <atomic>

namespace tvk {

namespace {

/// The injected major version, or -1 for the running platform.
std::atomic<int> injectedMajorVersion { -1 };

constexpr int firstVersionWithoutLegacyTexts = 13;

}

void LegacyTexts::setPlatformVersion(std::optional<PlatformVersion> version)
{
    injectedMajorVersion.store(version ? std::max(version->major, 0) : -1);
}

bool LegacyTexts::apply()
{
    int major = injectedMajorVersion.load();
    return major >= 0 && major < firstVersionWithoutLegacyTexts;
}

std::string LocalizedString(std::string_view key, std::string_view table, std::string_view fallback)
{
    if (LegacyTexts::apply()) {
        if (auto legacy = LocalizedStringOrNil(std::string(key) + std::string(LegacyTexts::suffix), table))
            return *legacy;
    }
    return LocalizationBundle::module().localizedString(key, fallback, table);
}

std::string LocalizedString(std::string_view key, std::string_view table, std::span<const PluralForm> fallback, std::int64_t count)
{
    auto& bundle = LocalizationBundle::module();
    if (LegacyTexts::apply()) {
        if (auto legacy = bundle.localizedString(std::string(key) + std::string(LegacyTexts::suffix), table, count))
            return *legacy;
    }
    if (auto text = bundle.localizedString(key, table, count))
        return *text;
    return std::string(selectPluralForm(fallback, PluralRules::category(ResourceBundle::developmentLocalization, count)));
}

std::string LocalizedString(std::string_view key)
{
    return LocalizedString(key, "Localizable", key);
}

std::optional<std::string> LocalizedStringOrNil(std::string_view key, std::string_view table)
{
    return LocalizationBundle::module().localizedString(key, table);
}

}
