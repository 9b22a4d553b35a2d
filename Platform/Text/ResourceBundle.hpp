#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tvk {

/// A directory of localized string tables, laid out as the platform's bundles are:
///
///     <name>.bundle/
///         en.lproj/Localizable.strings
///         de.lproj/Localizable.strings
///         pt-BR.lproj/Localizable.strings
///
/// One localization is chosen for the user's languages on the first lookup and kept. Tables
/// are read on first use and kept. Lookups are safe from any thread.
///
/// Texts that depend on a number have one entry per plural category of the table's language
/// ("key|one", "key|other"; see `PluralRules`); the lookups that take a count choose among them.
class ResourceBundle {
public:
    /// The localization used when none of the user's languages is available.
    static constexpr std::string_view developmentLocalization = "en";
    /// Table files larger than this are refused: no real table comes near it.
    static constexpr std::uintmax_t maximumTableSize = 8 * 1024 * 1024;

    /// None when `path` is not a directory.
    static std::unique_ptr<ResourceBundle> open(const std::filesystem::path& path);

    /// The user's languages in order of preference, as POSIX systems give them: the entries
    /// of `LANGUAGE` (a colon list, as gettext reads it), then the locale that governs
    /// messages (the first set of `LC_ALL`, `LC_MESSAGES`, `LANG`). "C" and "POSIX" stand for
    /// no preference. Codesets and modifiers are dropped ("de_DE.UTF-8@euro" → "de_DE").
    static std::vector<std::string> preferredLanguagesFromEnvironment();

    /// The best of `available` (".lproj" names without the suffix) for `preferences`: for each
    /// preference in turn, the exact language and region ("pt_BR" matches "pt-BR" or "pt_BR"),
    /// then the language with its likely script ("zh_TW" → "zh-Hant"), then the language
    /// alone, then any region of that language; finally the development localization, then
    /// "Base". None when nothing fits.
    static std::optional<std::string> bestLocalization(
        const std::vector<std::string>& available, const std::vector<std::string>& preferences);

    const std::filesystem::path& path() const { return m_path; }
    /// The ".lproj" folders present, without the suffix, sorted.
    std::vector<std::string> localizations() const;

    /// Chooses the localization for these languages instead of the environment's (none: the
    /// environment's again); takes effect for lookups made afterwards.
    void setPreferredLanguages(std::optional<std::vector<std::string>> languages);
    /// The localization lookups use; none when the bundle has none that fits.
    std::optional<std::string> preferredLocalization() const;

    /// The entry for `key` in `table` of the chosen localization; none when there is none. A key
    /// that has only plural entries gives its "other" entry.
    std::optional<std::string> localizedString(std::string_view key, std::string_view table) const;
    /// The entry for `key` to go with the number `count`: the entry of the plural category of
    /// `count` in the chosen localization's language ("key|few" for 3 in Russian), else the
    /// "key|other" entry, else the plain "key" entry; none when there is none of them.
    std::optional<std::string> localizedString(std::string_view key, std::string_view table, std::int64_t count) const;
    /// The same in the development localization, whose texts stand in for what a translation
    /// lacks (for tables whose keys are no texts of their own). Without `count`, as the lookup
    /// without one.
    std::optional<std::string> developmentString(std::string_view key, std::string_view table, std::optional<std::int64_t> count) const;
    /// As the platform looks texts up: the entry, else `fallback`, else (when `fallback` is
    /// empty) the key itself.
    std::string localizedString(std::string_view key, std::string_view fallback, std::string_view table) const;

    ResourceBundle(const ResourceBundle&) = delete;
    ResourceBundle& operator=(const ResourceBundle&) = delete;

private:
    explicit ResourceBundle(std::filesystem::path path);
    using Table = std::unordered_map<std::string, std::string>;
    std::shared_ptr<const Table> table(const std::optional<std::string>& localization, std::string_view name) const;
    std::shared_ptr<const Table> loadTable(const std::optional<std::string>& localization, std::string_view name) const;
    std::optional<std::string> lookUp(const std::optional<std::string>& localization, std::string_view key, std::string_view table,
        std::optional<std::int64_t> count) const;

    std::filesystem::path m_path;
    mutable std::mutex m_mutex;
    mutable std::optional<std::vector<std::string>> m_preferredLanguages;
    mutable std::optional<std::optional<std::string>> m_localization;
    mutable std::optional<std::optional<std::string>> m_developmentLocalization;
    // Names what a lookup without a count answers: another bundle, or this one after its
    // languages changed, has another (the threads' remembered texts go by it).
    std::atomic<std::uint64_t> m_answers;
    /// By "<localization>/<table>".
    mutable std::map<std::string, std::shared_ptr<const Table>, std::less<>> m_tables;
};

}
