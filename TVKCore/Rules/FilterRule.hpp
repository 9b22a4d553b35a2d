#pragma once

#include "Platform/Calendar/StoreEvent.hpp"
#include "Platform/Calendar/StoreReminder.hpp"
#include "Platform/Runtime/UUID.hpp"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <tl/expected.hpp>
#include <vector>

namespace tvk {

/// One exclude rule: calendar events and reminders whose field compares true with the value
/// get no alert and do not show in the widgets. The list of rules is a user setting kept as
/// JSON, a format shared with the main application.
struct FilterRule {
    /// The raw values are the stored form.
    enum class Field { title, notes, location, date };
    enum class FieldType { string, date };
    enum class ComparisonOperation { contains, beginsWith, endsWith, equals, matches, isOnDayOfWeek };

    static constexpr std::array<Field, 4> allFields { Field::title, Field::notes, Field::location, Field::date };
    static constexpr std::array<ComparisonOperation, 6> allComparisonOperations { ComparisonOperation::contains,
        ComparisonOperation::beginsWith, ComparisonOperation::endsWith, ComparisonOperation::equals, ComparisonOperation::matches,
        ComparisonOperation::isOnDayOfWeek };

    UUID id;
    Field field = Field::title;
    ComparisonOperation comparison = ComparisonOperation::contains;
    std::string value;
    bool isCaseSensitive = true;

    /// A new rule with a fresh identifier: title contains "", case-sensitive.
    static FilterRule makeDefault();

    static std::string_view rawValue(Field field);
    static std::string_view rawValue(ComparisonOperation comparison);
    static std::optional<Field> fieldFromRawValue(std::string_view raw);
    static std::optional<ComparisonOperation> comparisonFromRawValue(std::string_view raw);

    static FieldType fieldType(Field field);
    static std::vector<ComparisonOperation> allowedComparisonOperations(Field field);
    static ComparisonOperation defaultComparisonOperation(Field field);
    /// The localized names shown in the rule editor.
    static std::string displayName(Field field);
    static std::string displayName(ComparisonOperation comparison);
    /// The rule as one phrase of the display names: "title begins with "Lunch" (any case)".
    std::string summary() const;

    /// A JSON array of rules as the main application stores it; every key of every rule is
    /// required, and one unreadable rule makes the whole list unreadable.
    static tl::expected<std::vector<FilterRule>, std::string> decodeList(std::string_view json);
    static std::string encodeList(const std::vector<FilterRule>& rules);

    bool operator==(const FilterRule&) const = default;
};

/// Whether a filter keeps the items its rules match or drops them.
enum class RuleEffect { exclude, include };

bool matches(const StoreEvent& event, const FilterRule& rule);
bool matches(const StoreReminder& reminder, const FilterRule& rule);
/// The first rule, in list order, that matches; none for no rules or no match. The pointer is
/// into `rules`.
const FilterRule* firstMatchingRule(const StoreEvent& event, const std::vector<FilterRule>& rules);
const FilterRule* firstMatchingRule(const StoreReminder& reminder, const std::vector<FilterRule>& rules);
/// True when one of the rules, tried in order, matches; false for no rules.
bool matchesAny(const StoreEvent& event, const std::vector<FilterRule>& rules);
bool matchesAny(const StoreReminder& reminder, const std::vector<FilterRule>& rules);

/// The items, in their order, that the rules do not match (`exclude`) or that they match
/// (`include`).
std::vector<StoreEvent> filteredApplyingRules(
    const std::vector<StoreEvent>& events, const std::vector<FilterRule>& rules, RuleEffect effect);
std::vector<StoreReminder> filteredApplyingRules(
    const std::vector<StoreReminder>& reminders, const std::vector<FilterRule>& rules, RuleEffect effect);

}

template <> struct std::hash<tvk::FilterRule> {
    size_t operator()(const tvk::FilterRule& rule) const noexcept;
};
