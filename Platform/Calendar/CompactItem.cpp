#include "Platform/Calendar/CompactItem.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace tvk {

namespace {

constexpr std::uint8_t layoutVersion = 2;
constexpr std::uint8_t occurrencesLayoutVersion = 1;

// Presence bits of the optional parts, in the order they follow.
constexpr std::uint32_t hasSummary = 1u << 0;
constexpr std::uint32_t hasLocation = 1u << 1;
constexpr std::uint32_t hasDescription = 1u << 2;
constexpr std::uint32_t hasUrl = 1u << 3;
constexpr std::uint32_t hasStart = 1u << 4;
constexpr std::uint32_t hasEnd = 1u << 5;
constexpr std::uint32_t hasDuration = 1u << 6;
constexpr std::uint32_t hasDue = 1u << 7;
constexpr std::uint32_t hasRecurrenceId = 1u << 8;
constexpr std::uint32_t hasRecurrenceRule = 1u << 9;
constexpr std::uint32_t hasOrganizer = 1u << 10;
constexpr std::uint32_t hasTravelTime = 1u << 11;
constexpr std::uint32_t hasStamp = 1u << 12;
constexpr std::uint32_t isTodo = 1u << 13;
constexpr std::uint32_t isCompleted = 1u << 14;

class Writer {
public:
    void unsignedNumber(std::uint64_t value)
    {
        while (value >= 0x80) {
            bytes += static_cast<char>((value & 0x7F) | 0x80);
            value >>= 7;
        }
        bytes += static_cast<char>(value);
    }
    void signedNumber(std::int64_t value)
    {
        unsignedNumber((static_cast<std::uint64_t>(value) << 1) ^ static_cast<std::uint64_t>(value >> 63));
    }
    void real(double value)
    {
        auto bits = std::bit_cast<std::uint64_t>(value);
        for (int i = 0; i < 8; ++i)
            bytes += static_cast<char>(bits >> (8 * i));
    }
    void text(const std::string& value)
    {
        unsignedNumber(value.size());
        bytes += value;
    }
    void optionalText(const std::optional<std::string>& value)
    {
        bytes += value ? '\1' : '\0';
        if (value)
            text(*value);
    }
    void time(const CalendarTime& time)
    {
        signedNumber(time.year);
        // Month, day, hour, minute and second fit one byte each; the zone kind and the date flag
        // share the month's byte.
        bytes += static_cast<char>(time.month | (time.isDate ? 0x10 : 0) | (static_cast<int>(time.zone) << 5));
        bytes += static_cast<char>(time.day);
        bytes += static_cast<char>(time.hour);
        bytes += static_cast<char>(time.minute);
        bytes += static_cast<char>(time.second);
        if (time.zone == CalendarTime::Zone::named)
            text(time.zoneName);
    }
    void participant(const ParsedParticipant& participant)
    {
        optionalText(participant.commonName);
        optionalText(participant.address);
        optionalText(participant.role);
        optionalText(participant.participationStatus);
    }

    std::string bytes;
};

class Reader {
public:
    explicit Reader(std::string_view bytes)
        : m_rest(bytes)
    {
    }

    bool failed = false;
    bool atEnd() const { return m_rest.empty(); }

    std::uint64_t unsignedNumber()
    {
        std::uint64_t value = 0;
        for (int shift = 0; shift < 64; shift += 7) {
            if (m_rest.empty())
                return fail();
            auto byte = static_cast<std::uint8_t>(m_rest.front());
            m_rest.remove_prefix(1);
            value |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
            if (!(byte & 0x80))
                return value;
        }
        return fail();
    }
    std::int64_t signedNumber()
    {
        auto value = unsignedNumber();
        return static_cast<std::int64_t>(value >> 1) ^ -static_cast<std::int64_t>(value & 1);
    }
    int smallNumber(std::int64_t lowest, std::int64_t highest)
    {
        auto value = signedNumber();
        if (value < lowest || value > highest)
            return static_cast<int>(fail());
        return static_cast<int>(value);
    }
    std::uint8_t byte()
    {
        if (m_rest.empty())
            return static_cast<std::uint8_t>(fail());
        auto value = static_cast<std::uint8_t>(m_rest.front());
        m_rest.remove_prefix(1);
        return value;
    }
    double real()
    {
        if (m_rest.size() < 8)
            return static_cast<double>(fail());
        std::uint64_t bits = 0;
        for (int i = 0; i < 8; ++i)
            bits |= static_cast<std::uint64_t>(static_cast<std::uint8_t>(m_rest[i])) << (8 * i);
        m_rest.remove_prefix(8);
        // Durations and offsets are always finite; anything else is damage.
        auto value = std::bit_cast<double>(bits);
        if (!std::isfinite(value))
            return static_cast<double>(fail());
        return value;
    }
    std::string text()
    {
        auto size = unsignedNumber();
        if (size > m_rest.size())
            return fail(), std::string();
        std::string value(m_rest.substr(0, size));
        m_rest.remove_prefix(size);
        return value;
    }
    std::optional<std::string> optionalText()
    {
        switch (byte()) {
        case 0: return std::nullopt;
        case 1: return text();
        default: fail(); return std::nullopt;
        }
    }
    CalendarTime time()
    {
        CalendarTime time;
        time.year = smallNumber(1, 9999);
        auto packed = byte();
        time.month = packed & 0x0F;
        time.isDate = packed & 0x10;
        auto zone = packed >> 5;
        if (zone > static_cast<int>(CalendarTime::Zone::named))
            fail();
        time.zone = static_cast<CalendarTime::Zone>(zone);
        time.day = byte();
        time.hour = byte();
        time.minute = byte();
        time.second = byte();
        if (time.month < 1 || time.month > 12 || time.day < 1 || time.day > 31 || time.hour > 23 || time.minute > 59 || time.second > 60)
            fail();
        if (time.zone == CalendarTime::Zone::named)
            time.zoneName = text();
        return time;
    }
    ParsedParticipant participant()
    {
        ParsedParticipant participant;
        participant.commonName = optionalText();
        participant.address = optionalText();
        participant.role = optionalText();
        participant.participationStatus = optionalText();
        return participant;
    }
    /// A count of elements that each take at least one byte: never more than there are bytes.
    size_t count()
    {
        auto value = unsignedNumber();
        if (value > m_rest.size())
            return static_cast<size_t>(fail());
        return static_cast<size_t>(value);
    }

private:
    std::uint64_t fail()
    {
        failed = true;
        m_rest = {};
        return 0;
    }

    std::string_view m_rest;
};

}

std::string CompactItem::encode(const ParsedItem& item)
{
    std::uint32_t presence = (item.summary ? hasSummary : 0) | (item.location ? hasLocation : 0) | (item.description ? hasDescription : 0)
        | (item.url ? hasUrl : 0) | (item.start ? hasStart : 0) | (item.end ? hasEnd : 0) | (item.duration ? hasDuration : 0)
        | (item.due ? hasDue : 0) | (item.recurrenceId ? hasRecurrenceId : 0) | (item.recurrenceRule ? hasRecurrenceRule : 0)
        | (item.organizer ? hasOrganizer : 0) | (item.travelTime ? hasTravelTime : 0) | (item.stamp ? hasStamp : 0)
        | (item.kind == ParsedItem::Kind::todo ? isTodo : 0) | (item.isCompleted ? isCompleted : 0);
    Writer writer;
    writer.bytes.reserve(256 + (item.description ? item.description->size() : 0));
    writer.bytes += static_cast<char>(layoutVersion);
    writer.unsignedNumber(presence);
    writer.text(item.uid);
    if (item.summary)
        writer.text(*item.summary);
    if (item.location)
        writer.text(*item.location);
    if (item.description)
        writer.text(*item.description);
    if (item.url)
        writer.text(*item.url);
    writer.text(item.status);
    for (auto& time : { item.start, item.end })
        if (time)
            writer.time(*time);
    if (item.duration) {
        writer.real(*item.duration);
        writer.unsignedNumber(static_cast<std::uint64_t>(std::max(item.durationDays, 0)));
    }
    for (auto& time : { item.due, item.recurrenceId })
        if (time)
            writer.time(*time);
    if (item.recurrenceRule)
        writer.text(*item.recurrenceRule);
    for (auto* times : { &item.recurrenceDates, &item.exceptionDates }) {
        writer.unsignedNumber(times->size());
        for (auto& time : *times)
            writer.time(time);
    }
    if (item.organizer)
        writer.participant(*item.organizer);
    writer.unsignedNumber(item.attendees.size());
    for (auto& attendee : item.attendees)
        writer.participant(attendee);
    writer.unsignedNumber(item.alarms.size());
    for (auto& alarm : item.alarms) {
        writer.bytes += static_cast<char>((alarm.relativeOffset ? 1 : 0) | (alarm.relativeToEnd ? 2 : 0) | (alarm.absoluteTime ? 4 : 0));
        if (alarm.relativeOffset)
            writer.real(*alarm.relativeOffset);
        if (alarm.absoluteTime)
            writer.time(*alarm.absoluteTime);
    }
    if (item.travelTime)
        writer.real(*item.travelTime);
    writer.signedNumber(item.sequence);
    if (item.stamp)
        writer.time(*item.stamp);
    return std::move(writer.bytes);
}

std::optional<ParsedItem> CompactItem::decode(std::string_view bytes)
{
    Reader reader(bytes);
    if (reader.byte() != layoutVersion)
        return std::nullopt;
    auto presence = reader.unsignedNumber();
    if (presence >> 15)
        return std::nullopt;
    ParsedItem item;
    item.kind = presence & isTodo ? ParsedItem::Kind::todo : ParsedItem::Kind::event;
    item.isCompleted = presence & isCompleted;
    item.uid = reader.text();
    if (presence & hasSummary)
        item.summary = reader.text();
    if (presence & hasLocation)
        item.location = reader.text();
    if (presence & hasDescription)
        item.description = reader.text();
    if (presence & hasUrl)
        item.url = reader.text();
    item.status = reader.text();
    if (presence & hasStart)
        item.start = reader.time();
    if (presence & hasEnd)
        item.end = reader.time();
    if (presence & hasDuration) {
        item.duration = reader.real();
        item.durationDays = static_cast<int>(std::min<std::uint64_t>(reader.unsignedNumber(), 1u << 24));
    }
    if (presence & hasDue)
        item.due = reader.time();
    if (presence & hasRecurrenceId)
        item.recurrenceId = reader.time();
    if (presence & hasRecurrenceRule)
        item.recurrenceRule = reader.text();
    for (auto* times : { &item.recurrenceDates, &item.exceptionDates }) {
        auto count = reader.count();
        for (size_t i = 0; i < count && !reader.failed; ++i)
            times->push_back(reader.time());
    }
    if (presence & hasOrganizer)
        item.organizer = reader.participant();
    auto attendees = reader.count();
    for (size_t i = 0; i < attendees && !reader.failed; ++i)
        item.attendees.push_back(reader.participant());
    auto alarms = reader.count();
    for (size_t i = 0; i < alarms && !reader.failed; ++i) {
        auto flags = reader.byte();
        if (flags > 7)
            return std::nullopt;
        ParsedAlarm alarm;
        alarm.relativeToEnd = flags & 2;
        if (flags & 1)
            alarm.relativeOffset = reader.real();
        if (flags & 4)
            alarm.absoluteTime = reader.time();
        item.alarms.push_back(alarm);
    }
    if (presence & hasTravelTime)
        item.travelTime = reader.real();
    item.sequence = reader.smallNumber(INT32_MIN, INT32_MAX);
    if (presence & hasStamp)
        item.stamp = reader.time();
    if (reader.failed || !reader.atEnd())
        return std::nullopt;
    return item;
}

std::string CompactItem::encodeOccurrences(const Occurrences& occurrences)
{
    Writer writer;
    writer.bytes.reserve(2 + occurrences.size() * 24);
    writer.bytes += static_cast<char>(occurrencesLayoutVersion);
    writer.unsignedNumber(occurrences.size());
    for (auto& [time, start] : occurrences) {
        writer.time(time);
        writer.real(start.timeIntervalSince1970());
    }
    return std::move(writer.bytes);
}

std::optional<CompactItem::Occurrences> CompactItem::decodeOccurrences(std::string_view bytes)
{
    Reader reader(bytes);
    if (reader.byte() != occurrencesLayoutVersion)
        return std::nullopt;
    Occurrences occurrences;
    auto count = reader.count();
    occurrences.reserve(count);
    for (size_t i = 0; i < count && !reader.failed; ++i) {
        auto time = reader.time();
        occurrences.emplace_back(std::move(time), Date(reader.real()));
    }
    if (reader.failed || !reader.atEnd())
        return std::nullopt;
    return occurrences;
}

}
