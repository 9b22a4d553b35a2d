#pragma once

#include "Platform/Text/PluralRules.hpp"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tvk {

/// The version of the desktop platform, for texts worded differently on old versions.
struct PlatformVersion {
    int major = 0;
    int minor = 0;
    auto operator<=>(const PlatformVersion&) const = default;
};

/// Some catalog keys have a second entry with the suffix "_legacy", worded for platform
/// versions before 13 (their settings application had another name, for instance). Linux has
/// no such versions, so the legacy entries are never used here unless a version is injected,
/// which tests do to reach that path.
class LegacyTexts {
public:
    /// None (the default) means the running platform, which needs no legacy texts.
    static void setPlatformVersion(std::optional<PlatformVersion> version);
    static bool apply();
    static constexpr std::string_view suffix = "_legacy";
};

/// The text of `key` in `table` ("Localizable" for the catalog) in the user's language; the
/// "_legacy" entry first when `LegacyTexts::apply()`; `fallback` when the table has no entry
/// (the key itself when `fallback` is empty, as the platform does).
///
/// The first lookup locates the catalog's resource bundle; a program without it stops there
/// (see `LocalizationBundle`).
std::string LocalizedString(std::string_view key, std::string_view table, std::string_view fallback);

/// The text of `key` to go with the number `count`: the table's form for the plural category of
/// `count` in the user's language (see `ResourceBundle`); when the table has no entry for the
/// key, the form of `fallback` for the category of `count` in English, whose texts those are.
std::string LocalizedString(std::string_view key, std::string_view table, std::span<const PluralForm> fallback, std::int64_t count);

/// `key` in the table "Localizable", with the key itself as the fallback.
std::string LocalizedString(std::string_view key);

/// The entry for `key` in `table`, none when the table has no entry for it.
std::optional<std::string> LocalizedStringOrNil(std::string_view key, std::string_view table = "Localizable");

}
