#include "TVKCore/Rules/FilterRule.hpp"

#include "Platform/Text/RegularExpression.hpp"
#include "TVKLocalization/LocalizedString.hpp"
#include "TVKUtils/ModuleCalendar.hpp"

#include <nlohmann/json.hpp>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <charconv>
#include <variant>

namespace tvk {

namespace {

// Full Unicode lower-casing, independent of the user's language, as the main application
// compares texts.
std::string lowercased(std::string_view text)
{
    auto unicode = icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    unicode.toLower(icu::Locale::getRoot());
    std::string result;
    unicode.toUTF8String(result);
    return result;
}

bool compareTexts(std::string text, const FilterRule& rule)
{
    std::string value = rule.value;
    using Comparison = FilterRule::ComparisonOperation;
    if (rule.comparison == Comparison::matches) {
        // A wildcard pattern: "?" is one character and "*" any run; every other character keeps
        // its regular-expression meaning, so "a.c" matches "abc". Case always counts here.
        std::string pattern;
        for (char c : value) {
            if (c == '?')
                pattern += '.';
            else if (c == '*')
                pattern += ".*";
            else
                pattern += c;
        }
        // Notes run over many lines: "*zoom*" is meant to find the word anywhere in them.
        auto expression = RegularExpression::make("^" + pattern + "$", { .dotMatchesLineSeparators = true });
        return expression && expression->numberOfMatches(text) > 0;
    }
    if (!rule.isCaseSensitive) {
        text = lowercased(text);
        value = lowercased(value);
    }
    switch (rule.comparison) {
    case Comparison::contains: return text.find(value) != std::string::npos;
    case Comparison::beginsWith: return text.starts_with(value);
    case Comparison::endsWith: return text.ends_with(value);
    case Comparison::equals: return text == value;
    case Comparison::matches:
    case Comparison::isOnDayOfWeek: return false;
    }
    return false;
}

std::vector<int> weekdaysOf(std::string_view list)
{
    std::vector<int> days;
    size_t start = 0;
    while (start <= list.size()) {
        size_t comma = list.find(',', start);
        std::string_view piece = list.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
        while (!piece.empty() && (piece.front() == ' ' || piece.front() == '\t'))
            piece.remove_prefix(1);
        while (!piece.empty() && (piece.back() == ' ' || piece.back() == '\t'))
            piece.remove_suffix(1);
        if (!piece.empty() && piece.front() == '+' && piece.size() > 1 && piece[1] != '-')
            piece.remove_prefix(1);
        int day = 0;
        auto [end, error] = std::from_chars(piece.data(), piece.data() + piece.size(), day);
        if (!piece.empty() && error == std::errc() && end == piece.data() + piece.size())
            days.push_back(day);
        if (comma == std::string_view::npos)
            break;
        start = comma + 1;
    }
    return days;
}

bool compareDate(Date date, const FilterRule& rule)
{
    if (rule.comparison != FilterRule::ComparisonOperation::isOnDayOfWeek)
        return false;
    auto weekday = ModuleCalendar::shared().weekday(date);
    if (!weekday)
        return false;
    for (int day : weekdaysOf(rule.value)) {
        if (day == *weekday)
            return true;
    }
    return false;
}

using FieldValue = std::variant<std::monostate, std::string, Date>;

bool matchesValue(const FieldValue& value, const FilterRule& rule)
{
    if (rule.value.empty())
        return false;
    if (auto* text = std::get_if<std::string>(&value))
        return compareTexts(*text, rule);
    if (auto* date = std::get_if<Date>(&value))
        return compareDate(*date, rule);
    return false;
}

template <typename Optional> FieldValue fieldValue(const Optional& optional)
{
    if (!optional)
        return std::monostate {};
    return FieldValue(*optional);
}

FieldValue valueOf(const StoreEvent& event, FilterRule::Field field)
{
    switch (field) {
    case FilterRule::Field::title: return fieldValue(event.title);
    case FilterRule::Field::notes: return fieldValue(event.notes);
    case FilterRule::Field::location: return fieldValue(event.location);
    case FilterRule::Field::date: return event.startDate;
    }
    return std::monostate {};
}

FieldValue valueOf(const StoreReminder& reminder, FilterRule::Field field)
{
    switch (field) {
    case FilterRule::Field::title: return fieldValue(reminder.title);
    case FilterRule::Field::notes: return fieldValue(reminder.notes);
    case FilterRule::Field::location: return fieldValue(reminder.location);
    case FilterRule::Field::date: return fieldValue(reminder.dueDate);
    }
    return std::monostate {};
}

template <typename Item> const FilterRule* firstMatching(const Item& item, const std::vector<FilterRule>& rules)
{
    for (auto& rule : rules) {
        if (matchesValue(valueOf(item, rule.field), rule))
            return &rule;
    }
    return nullptr;
}

template <typename Item> std::vector<Item> filtered(const std::vector<Item>& items, const std::vector<FilterRule>& rules, RuleEffect effect)
{
    std::vector<Item> kept;
    for (auto& item : items) {
        if (matchesAny(item, rules) != (effect == RuleEffect::exclude))
            kept.push_back(item);
    }
    return kept;
}

}

FilterRule FilterRule::makeDefault()
{
    return FilterRule { UUID(), Field::title, ComparisonOperation::contains, "", true };
}

std::string_view FilterRule::rawValue(Field field)
{
    switch (field) {
    case Field::title: return "title";
    case Field::notes: return "notes";
    case Field::location: return "location";
    case Field::date: return "date";
    }
    return "title";
}

std::string_view FilterRule::rawValue(ComparisonOperation comparison)
{
    switch (comparison) {
    case ComparisonOperation::contains: return "contains";
    case ComparisonOperation::beginsWith: return "beginsWith";
    case ComparisonOperation::endsWith: return "endsWith";
    case ComparisonOperation::equals: return "equals";
    case ComparisonOperation::matches: return "matches";
    case ComparisonOperation::isOnDayOfWeek: return "isOnDayOfWeek";
    }
    return "contains";
}

std::optional<FilterRule::Field> FilterRule::fieldFromRawValue(std::string_view raw)
{
    for (auto field : allFields) {
        if (rawValue(field) == raw)
            return field;
    }
    return std::nullopt;
}

std::optional<FilterRule::ComparisonOperation> FilterRule::comparisonFromRawValue(std::string_view raw)
{
    for (auto comparison : allComparisonOperations) {
        if (rawValue(comparison) == raw)
            return comparison;
    }
    return std::nullopt;
}

FilterRule::FieldType FilterRule::fieldType(Field field)
{
    return field == Field::date ? FieldType::date : FieldType::string;
}

std::vector<FilterRule::ComparisonOperation> FilterRule::allowedComparisonOperations(Field field)
{
    if (field == Field::date)
        return { ComparisonOperation::isOnDayOfWeek };
    return { ComparisonOperation::contains, ComparisonOperation::beginsWith, ComparisonOperation::endsWith, ComparisonOperation::equals,
        ComparisonOperation::matches };
}

FilterRule::ComparisonOperation FilterRule::defaultComparisonOperation(Field field)
{
    return field == Field::date ? ComparisonOperation::isOnDayOfWeek : ComparisonOperation::contains;
}

std::string FilterRule::displayName(Field field)
{
    return LocalizedString("Preferences.ExcludeRules.Field." + std::string(rawValue(field)));
}

std::string FilterRule::displayName(ComparisonOperation comparison)
{
    return LocalizedString("Preferences.ExcludeRules.Comparison." + std::string(rawValue(comparison)));
}

std::string FilterRule::summary() const
{
    // Weekday lists have no case.
    bool anyCase = !isCaseSensitive && comparison != ComparisonOperation::isOnDayOfWeek;
    return displayName(field) + " " + displayName(comparison) + " \"" + value + "\"" + (anyCase ? " (any case)" : "");
}

tl::expected<std::vector<FilterRule>, std::string> FilterRule::decodeList(std::string_view json)
{
    auto parsed = nlohmann::json::parse(json, nullptr, false);
    if (parsed.is_discarded())
        return tl::unexpected(std::string("the rules are not valid JSON"));
    if (!parsed.is_array())
        return tl::unexpected(std::string("the rules are not a JSON array"));
    std::vector<FilterRule> rules;
    for (size_t index = 0; index < parsed.size(); ++index) {
        const auto& object = parsed[index];
        auto problem = [&](const std::string& what) { return tl::unexpected("rule " + std::to_string(index) + ": " + what); };
        if (!object.is_object())
            return problem("not an object");
        for (const char* key : { "id", "field", "comparison", "value" }) {
            if (!object.contains(key) || !object[key].is_string())
                return problem(std::string("\"") + key + "\" is missing or not a string");
        }
        if (!object.contains("isCaseSensitive") || !object["isCaseSensitive"].is_boolean())
            return problem("\"isCaseSensitive\" is missing or not a Boolean");
        auto id = UUID::fromString(object["id"].get<std::string>());
        if (!id)
            return problem("\"id\" is not a UUID");
        auto field = fieldFromRawValue(object["field"].get<std::string>());
        if (!field)
            return problem("unknown field \"" + object["field"].get<std::string>() + "\"");
        auto comparison = comparisonFromRawValue(object["comparison"].get<std::string>());
        if (!comparison)
            return problem("unknown comparison \"" + object["comparison"].get<std::string>() + "\"");
        rules.push_back(FilterRule { *id, *field, *comparison, object["value"].get<std::string>(), object["isCaseSensitive"].get<bool>() });
    }
    return rules;
}

std::string FilterRule::encodeList(const std::vector<FilterRule>& rules)
{
    auto list = nlohmann::ordered_json::array();
    for (auto& rule : rules) {
        nlohmann::ordered_json object;
        object["id"] = rule.id.uuidString();
        object["field"] = rawValue(rule.field);
        object["comparison"] = rawValue(rule.comparison);
        object["value"] = rule.value;
        object["isCaseSensitive"] = rule.isCaseSensitive;
        list.push_back(std::move(object));
    }
    return list.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

bool matches(const StoreEvent& event, const FilterRule& rule)
{
    return matchesValue(valueOf(event, rule.field), rule);
}

bool matches(const StoreReminder& reminder, const FilterRule& rule)
{
    return matchesValue(valueOf(reminder, rule.field), rule);
}

const FilterRule* firstMatchingRule(const StoreEvent& event, const std::vector<FilterRule>& rules)
{
    return firstMatching(event, rules);
}

const FilterRule* firstMatchingRule(const StoreReminder& reminder, const std::vector<FilterRule>& rules)
{
    return firstMatching(reminder, rules);
}

bool matchesAny(const StoreEvent& event, const std::vector<FilterRule>& rules)
{
    return firstMatchingRule(event, rules) != nullptr;
}

bool matchesAny(const StoreReminder& reminder, const std::vector<FilterRule>& rules)
{
    return firstMatchingRule(reminder, rules) != nullptr;
}

std::vector<StoreEvent> filteredApplyingRules(
    const std::vector<StoreEvent>& events, const std::vector<FilterRule>& rules, RuleEffect effect)
{
    return filtered(events, rules, effect);
}

std::vector<StoreReminder> filteredApplyingRules(
    const std::vector<StoreReminder>& reminders, const std::vector<FilterRule>& rules, RuleEffect effect)
{
    return filtered(reminders, rules, effect);
}

}

size_t std::hash<tvk::FilterRule>::operator()(const tvk::FilterRule& rule) const noexcept
{
    size_t hash = std::hash<tvk::UUID> {}(rule.id);
    auto combine = [&](size_t value) { hash ^= value + 0x9e3779b97f4a7c15ull + (hash << 6) + (hash >> 2); };
    combine(static_cast<size_t>(rule.field));
    combine(static_cast<size_t>(rule.comparison));
    combine(std::hash<std::string> {}(rule.value));
    combine(rule.isCaseSensitive ? 1 : 0);
    return hash;
}
