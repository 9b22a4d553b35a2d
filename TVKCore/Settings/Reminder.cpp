#include "TVKCore/Settings/Reminder.hpp"

#include "TVKCore/Settings/JSONCoderForm.hpp"
#include "TVKLocalization/L10n.hpp"
#include "TVKUtils/DateFormatter.hpp"

namespace tvk {

namespace {

tl::expected<Reminder, std::string> reminderFromJson(const nlohmann::json& object)
{
    if (!object.is_object())
        return tl::unexpected(std::string("not a JSON object"));
    auto member = [&](const char* key) -> const nlohmann::json* {
        auto found = object.find(key);
        return found == object.end() ? nullptr : &*found;
    };
    auto* id = member("id");
    if (!id || !id->is_string())
        return tl::unexpected(std::string("\"id\" is missing or not a string"));
    auto* date = member("date");
    auto seconds = date ? jsoncoder::realValue(*date) : std::nullopt;
    if (!seconds)
        return tl::unexpected(std::string("\"date\" is missing or not a finite number"));
    auto* offset = member("timeOffsetSeconds");
    auto offsetSeconds = offset ? jsoncoder::integerValue(*offset) : std::nullopt;
    if (!offsetSeconds)
        return tl::unexpected(std::string("\"timeOffsetSeconds\" is missing or not an integer"));
    std::optional<std::string> texts[2];
    const char* textKeys[2] = { "title", "notes" };
    for (int index = 0; index < 2; ++index) {
        // Optional keys: absent or null both read as no text.
        auto* text = member(textKeys[index]);
        if (!text || text->is_null())
            continue;
        if (!text->is_string())
            return tl::unexpected(std::string("\"") + textKeys[index] + "\" is not a string");
        texts[index] = text->get<std::string>();
    }
    return Reminder::withReferenceDateInterval(id->get<std::string>(), *seconds, std::move(texts[0]), std::move(texts[1]), *offsetSeconds);
}

}

Reminder::Reminder(
    std::string id, Date date, std::optional<std::string> title, std::optional<std::string> notes, std::int64_t timeOffsetSeconds)
    : m_id(std::move(id))
    , m_sinceReferenceDate(date.timeIntervalSinceReferenceDate())
    , m_title(std::move(title))
    , m_notes(std::move(notes))
    , m_timeOffsetSeconds(timeOffsetSeconds)
{
}

Reminder Reminder::withReferenceDateInterval(std::string id, TimeInterval sinceReferenceDate, std::optional<std::string> title,
    std::optional<std::string> notes, std::int64_t timeOffsetSeconds)
{
    Reminder reminder;
    reminder.m_id = std::move(id);
    reminder.m_sinceReferenceDate = sinceReferenceDate;
    reminder.m_title = std::move(title);
    reminder.m_notes = std::move(notes);
    reminder.m_timeOffsetSeconds = timeOffsetSeconds;
    return reminder;
}

Reminder Reminder::addingTimeInterval(TimeInterval seconds) const
{
    Reminder moved = *this;
    moved.m_sinceReferenceDate += seconds;
    return moved;
}

std::string Reminder::localizedTitle() const
{
    if (m_title)
        return *m_title;
    return "(" + L10n::General::untitled() + ")";
}

std::string Reminder::formattedDate() const
{
    static const DateFormatter formatter(
        DateFormatter::Configuration { .dateStyle = DateFormatter::Style::mediumStyle, .timeStyle = DateFormatter::Style::shortStyle });
    return formatter.string(date());
}

std::string Reminder::debugDescription() const
{
    return "Reminder (" + m_id + ")\n    date: " + date().description() + "\n    title: " + m_title.value_or("nil")
        + "\n    notes: " + m_notes.value_or("nil") + "\n    timeOffsetSeconds: " + std::to_string(m_timeOffsetSeconds);
}

bool Reminder::hasSameContents(const Reminder& other) const
{
    return m_id == other.m_id && m_sinceReferenceDate == other.m_sinceReferenceDate && m_title == other.m_title && m_notes == other.m_notes
        && m_timeOffsetSeconds == other.m_timeOffsetSeconds;
}

tl::expected<Reminder, std::string> Reminder::decode(std::string_view json)
{
    auto parsed = nlohmann::json::parse(json, nullptr, false);
    if (parsed.is_discarded())
        return tl::unexpected(std::string("not valid JSON"));
    return reminderFromJson(parsed);
}

tl::expected<std::string, std::string> Reminder::encode() const
{
    auto id = jsoncoder::stringLiteral(m_id);
    if (!id)
        return tl::unexpected(std::string("the id is not UTF-8 text"));
    auto date = jsoncoder::numberLiteral(m_sinceReferenceDate);
    if (!date)
        return tl::unexpected(std::string("the date is not a finite number"));
    std::vector<std::pair<std::string_view, std::string>> members { { "id", std::move(*id) }, { "date", std::move(*date) } };
    for (auto [key, text] : { std::pair { "title", &m_title }, std::pair { "notes", &m_notes } }) {
        if (!*text)
            continue;
        auto literal = jsoncoder::stringLiteral(**text);
        if (!literal)
            return tl::unexpected(std::string("the ") + key + " is not UTF-8 text");
        members.emplace_back(key, std::move(*literal));
    }
    members.emplace_back("timeOffsetSeconds", std::to_string(m_timeOffsetSeconds));
    return jsoncoder::escapingSlashes(jsoncoder::object(members));
}

tl::expected<std::vector<Reminder>, std::string> Reminder::decodeList(std::string_view json)
{
    auto parsed = nlohmann::json::parse(json, nullptr, false);
    if (parsed.is_discarded())
        return tl::unexpected(std::string("not valid JSON"));
    if (!parsed.is_array())
        return tl::unexpected(std::string("not a JSON array"));
    std::vector<Reminder> reminders;
    reminders.reserve(parsed.size());
    for (size_t index = 0; index < parsed.size(); ++index) {
        auto reminder = reminderFromJson(parsed[index]);
        if (!reminder)
            return tl::unexpected("reminder " + std::to_string(index) + ": " + reminder.error());
        reminders.push_back(std::move(*reminder));
    }
    return reminders;
}

tl::expected<std::string, std::string> Reminder::encodeList(const std::vector<Reminder>& reminders)
{
    std::string json = "[";
    for (size_t index = 0; index < reminders.size(); ++index) {
        auto encoded = reminders[index].encode();
        if (!encoded)
            return tl::unexpected("reminder " + std::to_string(index) + ": " + encoded.error());
        if (json.size() > 1)
            json += ',';
        json += *encoded;
    }
    json += ']';
    return json;
}

}
