#pragma once

#include "Platform/Runtime/Date.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <tl/expected.hpp>
#include <vector>

namespace tvk {

/// One of the application's own reminders: a dated alert with an optional title and notes.
/// Immutable. Two reminders are equal when their ids are, whatever else differs: the id is
/// the reminder's identity, as for the main application's objects.
///
/// Kept by `CustomRemindersStore` as a JSON array shared with the main application; one
/// reminder reads
///
///     {"id":"5B0C…","date":722000000.25,"title":"Call back","notes":"…","timeOffsetSeconds":60}
///
/// with "date" in seconds since 1 January 2001 00:00 UTC, and "title" and "notes" left out
/// when absent. The date is kept as that number, so a stored value is written back exactly
/// as it was read.
class Reminder {
public:
    Reminder(std::string id, Date date, std::optional<std::string> title, std::optional<std::string> notes, std::int64_t timeOffsetSeconds);
    /// With the date given in seconds since 1 January 2001, as the JSON form holds it.
    static Reminder withReferenceDateInterval(std::string id, TimeInterval sinceReferenceDate, std::optional<std::string> title,
        std::optional<std::string> notes, std::int64_t timeOffsetSeconds);

    const std::string& id() const { return m_id; }
    Date date() const { return Date::fromTimeIntervalSinceReferenceDate(m_sinceReferenceDate); }
    TimeInterval timeIntervalSinceReferenceDate() const { return m_sinceReferenceDate; }
    const std::optional<std::string>& title() const { return m_title; }
    const std::optional<std::string>& notes() const { return m_notes; }
    /// How long before `date` the reminder alerts.
    std::int64_t timeOffsetSeconds() const { return m_timeOffsetSeconds; }

    /// The same reminder with `date` moved by `seconds`.
    Reminder addingTimeInterval(TimeInterval seconds) const;
    /// The title, or "(untitled)" in the user's language when there is none.
    std::string localizedTitle() const;
    /// The date in the medium date and short time styles: "Dec 7, 2026, 9:30 AM".
    std::string formattedDate() const;
    /// "Reminder (ID)" and the other fields, one per indented line.
    std::string debugDescription() const;

    /// Identity: the same id.
    bool operator==(const Reminder& other) const { return m_id == other.m_id; }
    /// Every field the same, for tests and tools.
    bool hasSameContents(const Reminder& other) const;

    static tl::expected<Reminder, std::string> decode(std::string_view json);
    tl::expected<std::string, std::string> encode() const;
    /// The JSON array of the store. One unreadable reminder makes the whole array unreadable.
    static tl::expected<std::vector<Reminder>, std::string> decodeList(std::string_view json);
    /// Fails for a date that is not finite or a text that is not UTF-8, which the main
    /// application's coder cannot write either.
    static tl::expected<std::string, std::string> encodeList(const std::vector<Reminder>& reminders);

private:
    Reminder() = default;

    std::string m_id;
    TimeInterval m_sinceReferenceDate = 0;
    std::optional<std::string> m_title;
    std::optional<std::string> m_notes;
    std::int64_t m_timeOffsetSeconds = 0;
};

}
