#include "Platform/Text/PluralRules.hpp"

#include <unicode/locid.h>
#include <unicode/plurrule.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <array>
#include <map>
#include <memory>
#include <mutex>

namespace tvk {

namespace {

constexpr std::array<std::pair<std::string_view, PluralCategory>, 6> categoryNames { {
    { "zero", PluralCategory::zero },
    { "one", PluralCategory::one },
    { "two", PluralCategory::two },
    { "few", PluralCategory::few },
    { "many", PluralCategory::many },
    { "other", PluralCategory::other },
} };

/// ICU's rules objects are immutable once made and `select` is const, so one per language is
/// shared by every thread; making one reads locale data, so they are kept.
const icu::PluralRules* rulesFor(std::string_view language)
{
    static std::mutex mutex;
    static std::map<std::string, std::unique_ptr<icu::PluralRules>, std::less<>> rules;
    std::lock_guard lock(mutex);
    if (auto found = rules.find(language); found != rules.end())
        return found->second.get();
    std::string identifier(language);
    std::replace(identifier.begin(), identifier.end(), '-', '_');
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::PluralRules> made(icu::PluralRules::forLocale(icu::Locale::createCanonical(identifier.c_str()), status));
    if (U_FAILURE(status))
        made.reset();
    return rules.emplace(std::string(language), std::move(made)).first->second.get();
}

}

PluralCategory PluralRules::category(std::string_view language, std::int64_t count)
{
    const icu::PluralRules* rules = rulesFor(language);
    if (!rules)
        return PluralCategory::other;
    // ICU takes an int32 or a double; a double holds every count a text can show exactly.
    icu::UnicodeString keyword = rules->select(static_cast<double>(count));
    std::string name;
    keyword.toUTF8String(name);
    return categoryNamed(name).value_or(PluralCategory::other);
}

std::string_view PluralRules::name(PluralCategory category)
{
    for (auto& [name, value] : categoryNames)
        if (value == category)
            return name;
    return "other";
}

std::optional<PluralCategory> PluralRules::categoryNamed(std::string_view name)
{
    for (auto& [candidate, value] : categoryNames)
        if (candidate == name)
            return value;
    return std::nullopt;
}

std::string PluralRules::entryKey(std::string_view key, PluralCategory category)
{
    std::string entry(key);
    entry += keySeparator;
    entry += name(category);
    return entry;
}

std::optional<std::pair<std::string_view, PluralCategory>> PluralRules::splitEntryKey(std::string_view entryKey)
{
    auto separator = entryKey.rfind(keySeparator);
    if (separator == std::string_view::npos || separator == 0)
        return std::nullopt;
    auto category = categoryNamed(entryKey.substr(separator + 1));
    if (!category)
        return std::nullopt;
    return std::pair { entryKey.substr(0, separator), *category };
}

std::string_view selectPluralForm(std::span<const PluralForm> forms, PluralCategory category)
{
    for (auto& form : forms)
        if (form.category == category)
            return form.text;
    for (auto& form : forms)
        if (form.category == PluralCategory::other)
            return form.text;
    return forms.empty() ? std::string_view() : forms.back().text;
}

}
