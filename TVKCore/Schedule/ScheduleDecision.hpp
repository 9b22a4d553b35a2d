#pragma once

#include "Platform/Runtime/Date.hpp"
#include "TVKCore/Events/Event.hpp"
#include "TVKCore/Rules/FilterRule.hpp"

#include <optional>

namespace tvk {

// What the schedule build decides for one item, with its reasons. The build acts on these
// values, and whoever asks why an item alerts (or does not) reads the same ones: there is no
// second account of the rules.

/// When an item alerts, and how that time came about.
struct AlertDecision {
    enum class Outcome {
        /// The alert is at `date`, which has not passed.
        scheduled,
        /// The item's own settings exclude it: it never alerts and no list shows it.
        excludedBySettings,
        /// `date` has passed: nothing is scheduled. An item that has not started yet is still
        /// listed as coming up.
        passed,
    };
    /// Where the offset comes from.
    enum class OffsetSource {
        /// The user's `timeOffsetSeconds`.
        user,
        /// The event's own settings (`usesCustomTimeOffset`).
        event,
        /// An own reminder's `timeOffsetSeconds`.
        ownReminder,
    };

    Outcome outcome = Outcome::scheduled;
    /// Seconds before the start.
    TimeInterval offset = 0;
    OffsetSource offsetSource = OffsetSource::user;
    /// Seconds of travel added to the offset; 0 when the user does not include travel time.
    TimeInterval travelTime = 0;
    /// The start less the offset and the travel time; not set for an excluded item.
    Date date;

    /// `date` when the outcome is `scheduled`.
    std::optional<Date> scheduledDate() const { return outcome == Outcome::scheduled ? std::optional(date) : std::nullopt; }

    bool operator==(const AlertDecision&) const = default;
};

/// What the build makes of one calendar event or store reminder, step by step: the steps are
/// taken in the order of the fields, and the first that leaves the item out ends the build for
/// it (the later fields keep their defaults).
struct ScheduleDecision {
    enum class Outcome {
        /// An exclude rule matches: the item is in no list.
        excludedByRule,
        /// The item is not eligible (all-day, cancelled, declined, without alarm, completed, …).
        ineligible,
        /// A store reminder without a usable due date: no event can be made of it.
        undated,
        /// The user wants only events with a video call, and the event has none.
        withoutVideoConference,
        /// The item's own settings exclude it.
        excludedBySettings,
        /// Its alert has passed; listed as coming up while it has not started.
        alertPassed,
        /// Its alert is scheduled.
        scheduled,
    };

    Outcome outcome = Outcome::scheduled;
    /// The first exclude rule that matches the store item.
    std::optional<FilterRule> excludingRule;
    /// For a calendar event.
    Eligibility eligibility = Eligibility::eligible;
    /// For a store reminder.
    ReminderEligibility reminderEligibility = ReminderEligibility::eligible;
    /// Made once the item is eligible.
    std::optional<Event> event;
    /// Decided once the event is made and kept.
    std::optional<AlertDecision> alert;

    bool operator==(const ScheduleDecision&) const = default;
};

}
