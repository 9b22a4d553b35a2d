#include "Platform/Text/ResourceBundle.hpp"

#include "Platform/Runtime/DirectoryEntries.hpp"
#include "Platform/Runtime/PlatformLog.hpp"
#include "Platform/Text/PluralRules.hpp"
#include "Platform/Text/StringsFile.hpp"

#include <unicode/uloc.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <system_error>

namespace tvk {

namespace {

constexpr std::string_view lprojSuffix = ".lproj";

/// "de_DE.UTF-8@euro" → "de_DE"; "C", "POSIX" and "" → "".
std::string languageFromPosix(std::string_view value)
{
    auto name = value.substr(0, value.find_first_of(".@"));
    if (name == "C" || name == "POSIX")
        return {};
    return std::string(name);
}

/// Lower case with '-' for '_', so that "pt_BR", "pt-BR" and "PT-br" compare equal.
std::string normalized(std::string_view identifier)
{
    std::string result;
    for (char c : identifier)
        result += c == '_' ? '-' : static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return result;
}

std::string languageOf(std::string_view normalizedIdentifier)
{
    return std::string(normalizedIdentifier.substr(0, normalizedIdentifier.find('-')));
}

/// "zh-TW" → "zh-hant"; empty when ICU knows no script for it.
std::string likelyLanguageAndScript(const std::string& normalizedIdentifier)
{
    std::string icuIdentifier = normalizedIdentifier;
    std::replace(icuIdentifier.begin(), icuIdentifier.end(), '-', '_');
    char maximized[ULOC_FULLNAME_CAPACITY] = {};
    UErrorCode status = U_ZERO_ERROR;
    uloc_addLikelySubtags(icuIdentifier.c_str(), maximized, sizeof maximized, &status);
    if (U_FAILURE(status))
        return {};
    char script[ULOC_SCRIPT_CAPACITY] = {};
    uloc_getScript(maximized, script, sizeof script, &status);
    if (U_FAILURE(status) || !*script)
        return {};
    return normalized(languageOf(normalizedIdentifier) + "-" + script);
}

}

std::unique_ptr<ResourceBundle> ResourceBundle::open(const std::filesystem::path& path)
{
    std::error_code error;
    if (!std::filesystem::is_directory(path, error))
        return nullptr;
    return std::unique_ptr<ResourceBundle>(new ResourceBundle(path));
}

namespace {

std::atomic<std::uint64_t> nextAnswers { 1 };

}

ResourceBundle::ResourceBundle(std::filesystem::path path)
    : m_path(std::move(path))
    , m_answers(nextAnswers.fetch_add(1))
{
}

std::vector<std::string> ResourceBundle::preferredLanguagesFromEnvironment()
{
    std::vector<std::string> languages;
    auto add = [&](std::string_view value) {
        auto language = languageFromPosix(value);
        if (!language.empty() && std::find(languages.begin(), languages.end(), language) == languages.end())
            languages.push_back(std::move(language));
    };
    if (const char* list = std::getenv("LANGUAGE")) {
        std::string_view rest(list);
        while (!rest.empty()) {
            auto colon = rest.find(':');
            add(rest.substr(0, colon));
            if (colon == std::string_view::npos)
                break;
            rest.remove_prefix(colon + 1);
        }
    }
    for (const char* name : { "LC_ALL", "LC_MESSAGES", "LANG" }) {
        if (const char* value = std::getenv(name); value && *value) {
            add(value);
            break;
        }
    }
    return languages;
}

std::optional<std::string> ResourceBundle::bestLocalization(
    const std::vector<std::string>& available, const std::vector<std::string>& preferences)
{
    auto find = [&](std::string_view wanted) -> std::optional<std::string> {
        for (const auto& candidate : available)
            if (normalized(candidate) == wanted)
                return candidate;
        return std::nullopt;
    };
    for (const auto& preference : preferences) {
        auto wanted = normalized(preference);
        if (wanted.empty())
            continue;
        if (auto exact = find(wanted))
            return exact;
        if (auto script = likelyLanguageAndScript(wanted); !script.empty() && script != wanted)
            if (auto withScript = find(script))
                return withScript;
        auto language = languageOf(wanted);
        if (auto languageOnly = find(language))
            return languageOnly;
        for (const auto& candidate : available)
            if (languageOf(normalized(candidate)) == language)
                return candidate;
    }
    if (auto development = find(developmentLocalization))
        return development;
    return find("base");
}

std::vector<std::string> ResourceBundle::localizations() const
{
    std::vector<std::string> names;
    for (auto& entry : sortedVisibleEntries(m_path)) {
        auto name = entry.path.filename().string();
        if (name.size() > lprojSuffix.size() && name.ends_with(lprojSuffix) && entry.kind == DirectoryEntry::Kind::directory)
            names.push_back(name.substr(0, name.size() - lprojSuffix.size()));
    }
    // By name, not by directory name: "en" comes before "en-US", whose directory sorts first.
    std::sort(names.begin(), names.end());
    return names;
}

void ResourceBundle::setPreferredLanguages(std::optional<std::vector<std::string>> languages)
{
    std::lock_guard lock(m_mutex);
    m_preferredLanguages = std::move(languages);
    m_localization.reset();
    m_tables.clear();
    m_answers.store(nextAnswers.fetch_add(1), std::memory_order_release);
}

std::optional<std::string> ResourceBundle::preferredLocalization() const
{
    std::lock_guard lock(m_mutex);
    if (!m_localization) {
        auto languages = m_preferredLanguages ? *m_preferredLanguages : preferredLanguagesFromEnvironment();
        m_localization = bestLocalization(localizations(), languages);
    }
    return *m_localization;
}

std::shared_ptr<const ResourceBundle::Table> ResourceBundle::table(
    const std::optional<std::string>& localization, std::string_view name) const
{
    std::string cacheKey = localization.value_or("") + "/" + std::string(name);
    {
        std::lock_guard lock(m_mutex);
        if (auto found = m_tables.find(cacheKey); found != m_tables.end())
            return found->second;
    }
    auto loaded = loadTable(localization, name);
    std::lock_guard lock(m_mutex);
    // Another thread may have loaded it meanwhile; the first one stored wins so that every
    // caller sees the same table.
    return m_tables.emplace(std::move(cacheKey), std::move(loaded)).first->second;
}

std::shared_ptr<const ResourceBundle::Table> ResourceBundle::loadTable(
    const std::optional<std::string>& localization, std::string_view name) const
{
    auto table = std::make_shared<Table>();
    if (!localization || name.empty() || name.find('/') != std::string_view::npos || name.front() == '.')
        return table;
    auto file = m_path / (*localization + std::string(lprojSuffix)) / (std::string(name) + ".strings");
    std::error_code error;
    auto size = std::filesystem::file_size(file, error);
    if (error)
        return table;
    if (size > maximumTableSize) {
        PlatformLog::warning("Localization", "ignoring " + file.string() + ": larger than " + std::to_string(maximumTableSize) + " bytes");
        return table;
    }
    std::ifstream stream(file, std::ios::binary);
    std::string data((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
    if (!stream.good() && !stream.eof()) {
        PlatformLog::warning("Localization", "could not read " + file.string());
        return table;
    }
    auto parsed = StringsFile::parse(data);
    if (parsed.error)
        PlatformLog::warning("Localization",
            file.string() + ":" + std::to_string(parsed.error->line) + ": " + parsed.error->message + "; the entries after it are ignored");
    for (auto& entry : parsed.entries)
        (*table)[std::move(entry.key)] = std::move(entry.value);
    return table;
}

std::optional<std::string> ResourceBundle::lookUp(const std::optional<std::string>& localization, std::string_view key,
    std::string_view tableName, std::optional<std::int64_t> count) const
{
    auto entries = table(localization, tableName);
    auto entry = [&](const std::string& name) -> std::optional<std::string> {
        if (auto found = entries->find(name); found != entries->end())
            return found->second;
        return std::nullopt;
    };
    if (count && localization) {
        // "Base" holds the development language's texts.
        std::string_view language = *localization == "Base" ? developmentLocalization : std::string_view(*localization);
        if (auto form = entry(PluralRules::entryKey(key, PluralRules::category(language, *count))))
            return form;
    }
    if (count) {
        if (auto other = entry(PluralRules::entryKey(key, PluralCategory::other)))
            return other;
        return entry(std::string(key));
    }
    if (auto plain = entry(std::string(key)))
        return plain;
    return entry(PluralRules::entryKey(key, PluralCategory::other));
}

std::optional<std::string> ResourceBundle::localizedString(std::string_view key, std::string_view tableName) const
{
    // A reload looks a few dozen texts up thousands of times, on several threads; each thread
    // keeps what it found, without a lock, while the bundle's answers stay the same.
    struct Remembered {
        std::uint64_t answers = 0;
        std::map<std::string, std::map<std::string, std::optional<std::string>, std::less<>>, std::less<>> tables;
    };
    static constexpr size_t mostPerTable = 4096;
    thread_local Remembered remembered;
    auto answers = m_answers.load(std::memory_order_acquire);
    if (remembered.answers != answers) {
        remembered.tables.clear();
        remembered.answers = answers;
    }
    auto table = remembered.tables.find(tableName);
    if (table == remembered.tables.end())
        table = remembered.tables.emplace(std::string(tableName), std::map<std::string, std::optional<std::string>, std::less<>>()).first;
    if (auto found = table->second.find(key); found != table->second.end())
        return found->second;
    auto text = lookUp(preferredLocalization(), key, tableName, std::nullopt);
    if (table->second.size() < mostPerTable)
        table->second.emplace(std::string(key), text);
    return text;
}

std::optional<std::string> ResourceBundle::localizedString(std::string_view key, std::string_view tableName, std::int64_t count) const
{
    return lookUp(preferredLocalization(), key, tableName, count);
}

std::optional<std::string> ResourceBundle::developmentString(
    std::string_view key, std::string_view tableName, std::optional<std::int64_t> count) const
{
    std::optional<std::string> development;
    {
        std::lock_guard lock(m_mutex);
        if (!m_developmentLocalization)
            m_developmentLocalization = bestLocalization(localizations(), {});
        development = *m_developmentLocalization;
    }
    return lookUp(development, key, tableName, count);
}

std::string ResourceBundle::localizedString(std::string_view key, std::string_view fallback, std::string_view tableName) const
{
    if (auto text = localizedString(key, tableName))
        return *text;
    return std::string(fallback.empty() ? key : fallback);
}

}
