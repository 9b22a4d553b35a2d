#include "Platform/Calendar/ICalendarParser.hpp"

#include "Platform/Runtime/CivilTime.hpp"
#include "Platform/Runtime/FileIdentity.hpp"
#include "Platform/Runtime/WallClockTime.hpp"

#include <cmath>

#include <libical/ical.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <cstring>
#include <dlfcn.h>
#include <map>
#include <memory>
#include <mutex>
#include <set>

namespace tvk {

struct ParsedCalendarFile::CustomZone {
    icaltimezone* zone = nullptr;
    /// The VTIMEZONE as the file wrote it.
    std::string definition;
    ~CustomZone()
    {
        if (zone)
            icaltimezone_free(zone, 1);
    }
};

namespace {

constexpr int maximumNesting = 32;

void configureLibicalOnce()
{
    static std::once_flag once;
    std::call_once(once, [] {
        icalerror_set_errors_are_fatal(0);
        // The parser asks for the UTC zone on every thread, without our zone lock, and the
        // first such call fills libical's table of built-in zones while another thread may be
        // searching it: the table is filled here, once, before the first parse or zone lookup.
        icaltimezone_get_utc_timezone();
        icaltimezone_get_builtin_timezones();
    });
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        if (c != prefix[i])
            return false;
    }
    return true;
}

// libical's parser keeps its own stack, but freeing a component recurses once per level;
// refuse absurd nesting before it gets there.
bool nestingWithinLimit(std::string_view text)
{
    int depth = 0;
    size_t lineStart = 0;
    while (lineStart < text.size()) {
        size_t lineEnd = text.find('\n', lineStart);
        std::string_view line = text.substr(lineStart, lineEnd == std::string_view::npos ? std::string_view::npos : lineEnd - lineStart);
        if (startsWithIgnoringCase(line, "BEGIN:")) {
            if (++depth > maximumNesting)
                return false;
        } else if (startsWithIgnoringCase(line, "END:")) {
            --depth;
        }
        if (lineEnd == std::string_view::npos)
            break;
        lineStart = lineEnd + 1;
    }
    return true;
}

std::optional<std::string> text(const char* value)
{
    if (!value)
        return std::nullopt;
    return std::string(value);
}

std::optional<std::string> parameterText(icalproperty* property, icalparameter_kind kind)
{
    icalparameter* parameter = icalproperty_get_first_parameter(property, kind);
    if (!parameter)
        return std::nullopt;
    // The stored value as it is, where libical has a getter for it: writing the parameter out
    // and reading it back costs more than the rest of reading an attendee.
    switch (kind) {
    case ICAL_CN_PARAMETER: return text(icalparameter_get_cn(parameter));
    case ICAL_TZID_PARAMETER: return text(icalparameter_get_tzid(parameter));
    case ICAL_PARTSTAT_PARAMETER:
        if (auto status = icalparameter_get_partstat(parameter); status != ICAL_PARTSTAT_X && status != ICAL_PARTSTAT_NONE)
            return text(icalparameter_enum_to_string(status));
        break;
    case ICAL_ROLE_PARAMETER:
        if (auto role = icalparameter_get_role(parameter); role != ICAL_ROLE_X && role != ICAL_ROLE_NONE)
            return text(icalparameter_enum_to_string(role));
        break;
    default: break;
    }
    // icalparameter_as_ical_string gives "NAME=VALUE"; keep the value.
    const char* whole = icalparameter_as_ical_string(parameter);
    if (!whole)
        return std::nullopt;
    std::string_view view(whole);
    auto equals = view.find('=');
    if (equals == std::string_view::npos)
        return std::nullopt;
    std::string value(view.substr(equals + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    return value;
}

std::optional<std::string> xPropertyValue(icalcomponent* component, std::string_view name)
{
    // Extension properties are looked at alone: naming every property of an invitation (a
    // dozen attendees) to find one costs as much as reading them.
    bool extension = name.size() > 2 && (name[0] == 'X' || name[0] == 'x') && name[1] == '-';
    auto kind = extension ? ICAL_X_PROPERTY : ICAL_ANY_PROPERTY;
    for (icalproperty* property = icalcomponent_get_first_property(component, kind); property;
         property = icalcomponent_get_next_property(component, kind)) {
        const char* propertyName = extension ? icalproperty_get_x_name(property) : icalproperty_get_property_name(property);
        if (propertyName && std::string_view(propertyName) == name)
            return text(icalproperty_get_value_as_string(property));
    }
    return std::nullopt;
}

// libical loads tzdata's zones lazily and extends a zone's table of clock changes when an
// instant beyond it is asked for, rewriting the zone objects that every thread shares, while
// other threads look zones up by name. Every use of a zone goes through this lock, so that
// files can be parsed on several threads.
std::mutex& zoneMutex()
{
    static std::mutex mutex;
    return mutex;
}

icaltimezone* builtinZone(const std::string& olsonName)
{
    configureLibicalOnce();
    if (olsonName == "UTC" || olsonName == "Etc/UTC")
        return icaltimezone_get_utc_timezone();
    // libical looks a name up among all of tzdata's zones each time, and placing the
    // occurrences of a series asks for the same few zones again and again. Its zones live as
    // long as the process.
    thread_local std::map<std::string, icaltimezone*, std::less<>> known;
    if (auto found = known.find(olsonName); found != known.end())
        return found->second;
    icaltimezone* zone;
    {
        std::lock_guard lock(zoneMutex());
        zone = icaltimezone_get_builtin_timezone(olsonName.c_str());
    }
    if (zone && known.size() < 64)
        known.emplace(olsonName, zone);
    return zone;
}

icaltimezone* zoneFor(const CalendarTime& time, const ParsedCalendarFile& file, const std::string& localZone)
{
    configureLibicalOnce();
    switch (time.zone) {
    case CalendarTime::Zone::utc: return icaltimezone_get_utc_timezone();
    case CalendarTime::Zone::floating: return builtinZone(localZone);
    case CalendarTime::Zone::named:
        if (auto custom = file.customZones.find(time.zoneName); custom != file.customZones.end())
            return custom->second->zone;
        return builtinZone(time.zoneName);
    }
    return nullptr;
}

icaltimetype toIcalTime(const CalendarTime& time, icaltimezone* zone)
{
    icaltimetype value = icaltime_null_time();
    value.year = time.year;
    value.month = time.month;
    value.day = time.day;
    value.is_date = time.isDate ? 1 : 0;
    if (!time.isDate) {
        value.hour = time.hour;
        value.minute = time.minute;
        value.second = time.second;
    }
    value.zone = time.isDate ? nullptr : zone;
    return value;
}

/// The offsets of a zone as libical knows it: from the system's tzdata, or from the file's own
/// VTIMEZONE.
WallClockTime::UtcOffsetAt offsetsOf(icaltimezone* zone)
{
    return [zone](std::int64_t utcSeconds) -> std::optional<std::int64_t> {
        std::lock_guard lock(zoneMutex());
        icaltimetype utc = icaltime_from_timet_with_zone(static_cast<time_t>(utcSeconds), 0, icaltimezone_get_utc_timezone());
        int isDaylight = 0;
        return icaltimezone_get_utc_offset_of_utc_time(zone, &utc, &isDaylight);
    };
}

CivilTime civil(const CalendarTime& time)
{
    return CivilTime { time.year, static_cast<unsigned>(time.month), static_cast<unsigned>(time.day), static_cast<unsigned>(time.hour),
        static_cast<unsigned>(time.minute), static_cast<unsigned>(time.second) };
}

/// A wall-clock reading for libical's recurrence iterator: without a zone, so that the rule
/// steps through readings and never through a zone's clock changes.
icaltimetype floatingIcalTime(const CalendarTime& time)
{
    return toIcalTime(time, nullptr);
}

CalendarTime fromIcalTime(const icaltimetype& value, const CalendarTime& reference)
{
    CalendarTime time = reference;
    time.year = value.year;
    time.month = value.month;
    time.day = value.day;
    time.isDate = value.is_date != 0;
    time.hour = time.isDate ? 0 : value.hour;
    time.minute = time.isDate ? 0 : value.minute;
    time.second = time.isDate ? 0 : value.second;
    return time;
}

bool plausible(const icaltimetype& value)
{
    return !icaltime_is_null_time(value) && value.year >= 1 && value.year <= 9999 && value.month >= 1 && value.month <= 12 && value.day >= 1
        && value.day <= 31 && value.hour >= 0 && value.hour <= 23 && value.minute >= 0 && value.minute <= 59 && value.second >= 0
        && value.second <= 60;
}

class ItemReader {
public:
    ItemReader(icalcomponent* component, ParsedCalendarFile& file)
        : m_component(component)
        , m_file(file)
    {
    }

    std::optional<std::string> problem;

    std::optional<CalendarTime> time(icalproperty* property, icaltimetype value)
    {
        if (!plausible(value)) {
            problem = std::string("an unreadable ") + icalproperty_get_property_name(property);
            return std::nullopt;
        }
        CalendarTime result;
        result.year = value.year;
        result.month = value.month;
        result.day = value.day;
        result.isDate = value.is_date != 0;
        if (!result.isDate) {
            result.hour = value.hour;
            result.minute = value.minute;
            result.second = std::min(value.second, 59);
        }
        if (result.isDate)
            return result;
        if (icaltime_is_utc(value)) {
            result.zone = CalendarTime::Zone::utc;
            return result;
        }
        auto tzid = parameterText(property, ICAL_TZID_PARAMETER);
        if (!tzid)
            return result;
        if (auto olson = ICalendarParser::olsonZoneName(*tzid)) {
            result.zone = *olson == "UTC" ? CalendarTime::Zone::utc : CalendarTime::Zone::named;
            result.zoneName = *olson == "UTC" ? std::string() : *olson;
            return result;
        }
        if (m_file.customZones.contains(*tzid)) {
            result.zone = CalendarTime::Zone::named;
            result.zoneName = *tzid;
            return result;
        }
        problem = "an unknown time zone \"" + *tzid + "\"";
        return std::nullopt;
    }

    std::optional<CalendarTime> timeProperty(icalproperty_kind kind, icaltimetype (*getter)(const icalproperty*))
    {
        icalproperty* property = icalcomponent_get_first_property(m_component, kind);
        if (!property)
            return std::nullopt;
        return time(property, getter(property));
    }

    ParsedParticipant participant(icalproperty* property)
    {
        ParsedParticipant participant;
        participant.address = text(icalproperty_get_value_as_string(property));
        participant.commonName = parameterText(property, ICAL_CN_PARAMETER);
        participant.role = parameterText(property, ICAL_ROLE_PARAMETER);
        participant.participationStatus = parameterText(property, ICAL_PARTSTAT_PARAMETER);
        return participant;
    }

private:
    icalcomponent* m_component;
    ParsedCalendarFile& m_file;
};

std::string fallbackUid(icalcomponent* component)
{
    // Items without a UID still need an identity that survives restarts: hash their text.
    const char* whole = icalcomponent_as_ical_string(component);
    std::uint64_t hash = 1469598103934665603ull;
    for (const char* c = whole; c && *c; ++c)
        hash = (hash ^ static_cast<unsigned char>(*c)) * 1099511628211ull;
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "generated-%016llx", static_cast<unsigned long long>(hash));
    return buffer;
}

void readItem(icalcomponent* component, ParsedItem::Kind kind, ParsedCalendarFile& file)
{
    ParsedItem item;
    item.kind = kind;
    const char* kindName = kind == ParsedItem::Kind::event ? "VEVENT" : "VTODO";
    ItemReader reader(component, file);

    const char* uid = icalcomponent_get_uid(component);
    item.uid = uid && *uid ? uid : fallbackUid(component);
    item.summary = text(icalcomponent_get_summary(component));
    item.location = text(icalcomponent_get_location(component));
    item.description = text(icalcomponent_get_description(component));
    if (icalproperty* url = icalcomponent_get_first_property(component, ICAL_URL_PROPERTY))
        item.url = text(icalproperty_get_url(url));
    if (icalproperty* status = icalcomponent_get_first_property(component, ICAL_STATUS_PROPERTY))
        item.status = icalproperty_get_value_as_string(status) ? icalproperty_get_value_as_string(status) : "";

    item.start = reader.timeProperty(ICAL_DTSTART_PROPERTY, icalproperty_get_dtstart);
    item.end = reader.timeProperty(ICAL_DTEND_PROPERTY, icalproperty_get_dtend);
    item.due = reader.timeProperty(ICAL_DUE_PROPERTY, icalproperty_get_due);
    item.recurrenceId = reader.timeProperty(ICAL_RECURRENCEID_PROPERTY, icalproperty_get_recurrenceid);
    if (icalproperty* duration = icalcomponent_get_first_property(component, ICAL_DURATION_PROPERTY)) {
        auto value = icalproperty_get_duration(duration);
        if (!icaldurationtype_is_bad_duration(value)) {
            item.duration = icaldurationtype_as_int(value);
            if (!value.is_neg)
                item.durationDays = static_cast<int>(value.weeks * 7 + value.days);
        }
    }
    if (icalproperty* rule = icalcomponent_get_first_property(component, ICAL_RRULE_PROPERTY))
        item.recurrenceRule = text(icalproperty_get_value_as_string(rule));
    for (icalproperty* rdate = icalcomponent_get_first_property(component, ICAL_RDATE_PROPERTY); rdate;
         rdate = icalcomponent_get_next_property(component, ICAL_RDATE_PROPERTY)) {
        auto value = icalproperty_get_rdate(rdate);
        auto start = icaltime_is_null_time(value.time) ? value.period.start : value.time;
        if (auto time = reader.time(rdate, start))
            item.recurrenceDates.push_back(*time);
    }
    for (icalproperty* exdate = icalcomponent_get_first_property(component, ICAL_EXDATE_PROPERTY); exdate;
         exdate = icalcomponent_get_next_property(component, ICAL_EXDATE_PROPERTY)) {
        if (auto time = reader.time(exdate, icalproperty_get_exdate(exdate)))
            item.exceptionDates.push_back(*time);
    }
    if (icalproperty* organizer = icalcomponent_get_first_property(component, ICAL_ORGANIZER_PROPERTY))
        item.organizer = reader.participant(organizer);
    for (icalproperty* attendee = icalcomponent_get_first_property(component, ICAL_ATTENDEE_PROPERTY); attendee;
         attendee = icalcomponent_get_next_property(component, ICAL_ATTENDEE_PROPERTY))
        item.attendees.push_back(reader.participant(attendee));
    for (icalcomponent* alarm = icalcomponent_get_first_component(component, ICAL_VALARM_COMPONENT); alarm;
         alarm = icalcomponent_get_next_component(component, ICAL_VALARM_COMPONENT)) {
        icalproperty* trigger = icalcomponent_get_first_property(alarm, ICAL_TRIGGER_PROPERTY);
        if (!trigger)
            continue;
        ParsedAlarm parsed;
        auto value = icalproperty_get_trigger(trigger);
        if (!icaltime_is_null_time(value.time)) {
            ItemReader alarmReader(alarm, file);
            parsed.absoluteTime = alarmReader.time(trigger, value.time);
            if (!parsed.absoluteTime)
                continue;
        } else if (!icaldurationtype_is_bad_duration(value.duration)) {
            parsed.relativeOffset = icaldurationtype_as_int(value.duration);
            parsed.relativeToEnd = parameterText(trigger, ICAL_RELATED_PARAMETER) == std::optional<std::string>("END");
        } else {
            continue;
        }
        item.alarms.push_back(parsed);
    }
    if (auto travel = xPropertyValue(component, "X-APPLE-TRAVEL-DURATION")) {
        auto value = icaldurationtype_from_string(travel->c_str());
        if (!icaldurationtype_is_bad_duration(value) && icaldurationtype_as_int(value) > 0)
            item.travelTime = icaldurationtype_as_int(value);
    }
    item.isCompleted = item.status == "COMPLETED" || icalcomponent_get_first_property(component, ICAL_COMPLETED_PROPERTY);
    if (icalproperty* sequence = icalcomponent_get_first_property(component, ICAL_SEQUENCE_PROPERTY))
        item.sequence = icalproperty_get_sequence(sequence);
    // Only ever compared between copies; an unreadable one does not cost the item.
    if (icalproperty* stamp = icalcomponent_get_first_property(component, ICAL_DTSTAMP_PROPERTY)) {
        ItemReader stampReader(component, file);
        item.stamp = stampReader.time(stamp, icalproperty_get_dtstamp(stamp));
    }

    if (reader.problem) {
        file.skipped.push_back(std::string(kindName) + " \"" + item.uid + "\" with " + *reader.problem);
        return;
    }
    if (kind == ParsedItem::Kind::event && !item.start) {
        file.skipped.push_back(std::string(kindName) + " \"" + item.uid + "\" without DTSTART");
        return;
    }
    file.items.push_back(std::move(item));
}

void readCalendar(icalcomponent* calendar, ParsedCalendarFile& file)
{
    if (!file.calendarName) {
        file.calendarName = xPropertyValue(calendar, "X-WR-CALNAME");
        if (!file.calendarName)
            file.calendarName = xPropertyValue(calendar, "NAME");
    }
    if (!file.calendarColor) {
        file.calendarColor = xPropertyValue(calendar, "X-APPLE-CALENDAR-COLOR");
        if (!file.calendarColor)
            file.calendarColor = xPropertyValue(calendar, "COLOR");
    }
    for (icalcomponent* zone = icalcomponent_get_first_component(calendar, ICAL_VTIMEZONE_COMPONENT); zone;
         zone = icalcomponent_get_next_component(calendar, ICAL_VTIMEZONE_COMPONENT)) {
        icalproperty* tzidProperty = icalcomponent_get_first_property(zone, ICAL_TZID_PROPERTY);
        const char* tzid = tzidProperty ? icalproperty_get_tzid(tzidProperty) : nullptr;
        if (!tzid || ICalendarParser::olsonZoneName(tzid) || file.customZones.contains(tzid))
            continue;
        auto custom = std::make_shared<ParsedCalendarFile::CustomZone>();
        if (const char* definition = icalcomponent_as_ical_string(zone))
            custom->definition = definition;
        custom->zone = icaltimezone_new();
        if (!icaltimezone_set_component(custom->zone, icalcomponent_new_clone(zone)))
            continue;
        file.customZones.emplace(tzid, std::move(custom));
    }
    for (icalcomponent* item = icalcomponent_get_first_component(calendar, ICAL_ANY_COMPONENT); item;
         item = icalcomponent_get_next_component(calendar, ICAL_ANY_COMPONENT)) {
        auto kind = icalcomponent_isa(item);
        if (kind == ICAL_VEVENT_COMPONENT)
            readItem(item, ParsedItem::Kind::event, file);
        else if (kind == ICAL_VTODO_COMPONENT)
            readItem(item, ParsedItem::Kind::todo, file);
    }
}

}

std::string ICalendarParser::expansionContext()
{
    configureLibicalOnce();
    std::string context = "expansion " + std::to_string(expansionRevision);
    auto add = [&](const char* what, const std::filesystem::path& path) {
        context += ' ';
        context += what;
        if (auto identity = identityOf(path)) {
            for (long long part : { static_cast<long long>(identity->device), static_cast<long long>(identity->inode),
                     static_cast<long long>(identity->size), identity->modified, identity->changed })
                context += ':' + std::to_string(part);
        } else {
            context += ":none";
        }
    };
    // libical steps through rules and reads zones itself: an update of the library, or of the
    // tzdata whose files it reads (an update replaces files in the zone directory, and with
    // them its tzdata.zi and the directory's own change time), can move occurrences.
    Dl_info library {};
    if (::dladdr(reinterpret_cast<void*>(&icalrecur_iterator_next), &library) && library.dli_fname)
        add("libical", library.dli_fname);
    if (icaltimezone_get_builtin_tzdata()) {
        context += " builtin-zones";
    } else if (const char* directory = icaltzutil_get_zone_directory()) {
        add("zones", directory);
        add("tzdata", std::filesystem::path(directory) / "tzdata.zi");
    }
    UErrorCode status = U_ZERO_ERROR;
    const char* icuData = icu::TimeZone::getTZDataVersion(status);
    context += " icu:";
    context += U_SUCCESS(status) && icuData ? icuData : "?";
    return context;
}

std::optional<std::string> ICalendarParser::olsonZoneName(std::string_view tzid)
{
    if (tzid.empty())
        return std::nullopt;
    std::string name(tzid);
    // Evolution and libical write "/freeassociation.sourceforge.net/Tzfile/Europe/Berlin" and
    // similar; the Olson name is the tail after the prefix.
    for (std::string_view prefix : { "/freeassociation.sourceforge.net/Tzfile/", "/freeassociation.sourceforge.net/",
             "/softwarestudio.org/Tzfile/", "/softwarestudio.org/Olson_20011030_5/", "/citadel.org/" }) {
        if (name.starts_with(prefix)) {
            name = name.substr(prefix.size());
            break;
        }
    }
    if (name == "UTC" || name == "GMT" || name == "Etc/UTC" || name == "Z")
        return std::string("UTC");
    configureLibicalOnce();
    if (builtinZone(name))
        return name;
    // Exchange and Outlook write Windows zone names.
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString olson;
    icu::TimeZone::getIDForWindowsID(icu::UnicodeString::fromUTF8(name), nullptr, olson, status);
    if (U_SUCCESS(status) && olson.length() > 0) {
        std::string utf8;
        olson.toUTF8String(utf8);
        if (builtinZone(utf8))
            return utf8;
    }
    return std::nullopt;
}

tl::expected<ParsedCalendarFile, std::string> ICalendarParser::parse(std::string_view input)
{
    if (input.size() > maximumFileSize)
        return tl::unexpected(std::string("larger than 64 MiB"));
    if (!nestingWithinLimit(input))
        return tl::unexpected(std::string("components nested too deeply"));
    configureLibicalOnce();
    std::string text(input);
    if (text.find('\0') != std::string::npos)
        text.resize(text.find('\0'));
    icalcomponent* root = icalparser_parse_string(text.c_str());
    if (!root)
        return tl::unexpected(std::string("not an iCalendar file"));
    std::unique_ptr<icalcomponent, void (*)(icalcomponent*)> owner(root, icalcomponent_free);
    return read(root);
}

std::string ICalendarParser::zoneDefinitions(const ParsedCalendarFile& file)
{
    if (file.customZones.empty())
        return {};
    std::string text = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Tarvik//Calendar index//EN\r\n";
    for (auto& [name, zone] : file.customZones)
        text += zone->definition;
    return text + "END:VCALENDAR\r\n";
}

tl::expected<ParsedCalendarFile, std::string> ICalendarParser::read(icalcomponent* root)
{
    configureLibicalOnce();
    ParsedCalendarFile file;
    bool sawCalendar = false;
    auto kind = icalcomponent_isa(root);
    if (kind == ICAL_VCALENDAR_COMPONENT) {
        sawCalendar = true;
        readCalendar(root, file);
    } else if (kind == ICAL_XROOT_COMPONENT) {
        for (icalcomponent* child = icalcomponent_get_first_component(root, ICAL_VCALENDAR_COMPONENT); child;
             child = icalcomponent_get_next_component(root, ICAL_VCALENDAR_COMPONENT)) {
            sawCalendar = true;
            readCalendar(child, file);
        }
    } else if (kind == ICAL_VEVENT_COMPONENT || kind == ICAL_VTODO_COMPONENT) {
        sawCalendar = true;
        readItem(root, kind == ICAL_VEVENT_COMPONENT ? ParsedItem::Kind::event : ParsedItem::Kind::todo, file);
    }
    if (!sawCalendar)
        return tl::unexpected(std::string("no VCALENDAR in the file"));
    return file;
}

std::optional<Date> ICalendarParser::instant(const CalendarTime& time, const ParsedCalendarFile& file, const std::string& localZone)
{
    CalendarTime reading = time;
    if (reading.isDate) // a date is its local midnight
        reading.hour = reading.minute = reading.second = 0;
    if (time.zone == CalendarTime::Zone::utc && !time.isDate)
        return Date(static_cast<double>(civil(reading).secondsSince1970()));
    icaltimezone* zone = time.isDate ? builtinZone(localZone) : zoneFor(time, file, localZone);
    if (!zone)
        return std::nullopt;
    auto seconds = WallClockTime::secondsSince1970(civil(reading).secondsSince1970(), offsetsOf(zone));
    if (!seconds)
        return std::nullopt;
    return Date(static_cast<double>(*seconds));
}

std::optional<CalendarTime> ICalendarParser::inZoneOf(
    const CalendarTime& reference, Date date, const ParsedCalendarFile& file, const std::string& localZone)
{
    icaltimezone* zone = reference.isDate ? builtinZone(localZone) : zoneFor(reference, file, localZone);
    if (!zone)
        return std::nullopt;
    auto seconds = static_cast<time_t>(std::floor(date.timeIntervalSince1970()));
    icaltimetype value;
    {
        std::lock_guard lock(zoneMutex());
        value = icaltime_from_timet_with_zone(seconds, reference.isDate ? 1 : 0, zone);
    }
    return fromIcalTime(value, reference);
}

namespace {

bool isArrayEnd(short value)
{
    return value == ICAL_RECURRENCE_ARRAY_MAX;
}

// Whether a rule steps in hours, minutes or seconds and also limits the days it falls on
// (BYMONTH, BYYEARDAY, BYMONTHDAY, BYDAY). libical looks for the next occurrence of such a rule
// one step at a time, so one that falls on a rare day, or on none (February 30th), keeps it
// stepping for hours; those rules are expanded one matching day at a time instead.
bool limitsDaysBelowDaily(const icalrecurrencetype& rule)
{
    if (rule.freq != ICAL_SECONDLY_RECURRENCE && rule.freq != ICAL_MINUTELY_RECURRENCE && rule.freq != ICAL_HOURLY_RECURRENCE)
        return false;
    return !isArrayEnd(rule.by_month[0]) || !isArrayEnd(rule.by_year_day[0]) || !isArrayEnd(rule.by_month_day[0])
        || !isArrayEnd(rule.by_day[0]);
}

// The day-level limits of a rule below DAILY, where each is a plain filter on the day.
bool dayMatches(const icalrecurrencetype& rule, const icaltimetype& day)
{
    auto anyOf = [](const short* values, size_t size, auto&& accepts) {
        if (isArrayEnd(values[0]))
            return true;
        for (size_t i = 0; i < size && !isArrayEnd(values[i]); ++i) {
            if (accepts(values[i]))
                return true;
        }
        return false;
    };
    int daysInMonth = icaltime_days_in_month(day.month, day.year);
    int daysInYear = icaltime_days_in_year(day.year);
    int yearDay = icaltime_day_of_year(day);
    int weekday = icaltime_day_of_week(day);
    return anyOf(rule.by_month, ICAL_BY_MONTH_SIZE, [&](short month) { return icalrecurrencetype_month_month(month) == day.month; })
        && anyOf(rule.by_month_day, ICAL_BY_MONTHDAY_SIZE,
            [&](short monthDay) { return monthDay == day.day || (monthDay < 0 && daysInMonth + monthDay + 1 == day.day); })
        && anyOf(rule.by_year_day, ICAL_BY_YEARDAY_SIZE,
            [&](short number) { return number == yearDay || (number < 0 && daysInYear + number + 1 == yearDay); })
        && anyOf(rule.by_day, ICAL_BY_DAY_SIZE, [&](short encoded) { return icalrecurrencetype_day_day_of_week(encoded) == weekday; });
}

// The first occurrence of a rule below DAILY on `day`, ignoring its day limits: the first step,
// counted in whole INTERVALs from DTSTART, that BYHOUR, BYMINUTE and BYSECOND (those at or
// above the rule's unit) let through, with the parts below the unit at their smallest values.
// Where steps fall within a day depends only on the first step's offset into it, so the scans
// are kept by that offset in `scanned`.
std::optional<icaltimetype> firstStepOfDay(
    const icalrecurrencetype& rule, const icaltimetype& dtstart, icaltimetype day, std::map<long long, std::optional<long long>>& scanned)
{
    auto contains = [](const short* values, size_t size, int value) {
        if (isArrayEnd(values[0]))
            return true;
        for (size_t i = 0; i < size && !isArrayEnd(values[i]); ++i) {
            if (values[i] == value)
                return true;
        }
        return false;
    };
    auto smallest = [](const short* values, size_t size, int fallback) {
        if (isArrayEnd(values[0]))
            return fallback;
        int least = values[0];
        for (size_t i = 1; i < size && !isArrayEnd(values[i]); ++i)
            least = std::min<int>(least, values[i]);
        return least;
    };
    bool hourly = rule.freq == ICAL_HOURLY_RECURRENCE;
    bool minutely = rule.freq == ICAL_MINUTELY_RECURRENCE;
    long long unit = hourly ? 3600 : minutely ? 60 : 1;
    long long interval = std::max<long long>(rule.interval, 1);
    // Midnight of the day, with DTSTART's parts below the unit, is a whole number of units
    // from DTSTART.
    day.hour = 0;
    day.minute = hourly ? dtstart.minute : 0;
    day.second = hourly || minutely ? dtstart.second : 0;
    long long units = (static_cast<long long>(icaltime_as_timet(day)) - static_cast<long long>(icaltime_as_timet(dtstart))) / unit;
    long long offset = ((-units) % interval + interval) % interval;
    auto [found, isNew] = scanned.try_emplace(offset);
    if (isNew) {
        for (long long step = offset; step * unit < 86400; step += interval) {
            long long seconds = step * unit + day.minute * 60 + day.second;
            int hour = static_cast<int>(seconds / 3600), minute = static_cast<int>(seconds / 60 % 60),
                second = static_cast<int>(seconds % 60);
            if (hour < 24 && contains(rule.by_hour, ICAL_BY_HOUR_SIZE, hour)
                && (hourly || contains(rule.by_minute, ICAL_BY_MINUTE_SIZE, minute))
                && (hourly || minutely || contains(rule.by_second, ICAL_BY_SECOND_SIZE, second))) {
                found->second = step;
                break;
            }
        }
    }
    if (!found->second)
        return std::nullopt;
    long long seconds = *found->second * unit;
    icaltimetype first = day;
    first.hour = static_cast<int>(seconds / 3600);
    first.minute = hourly ? smallest(rule.by_minute, ICAL_BY_MINUTE_SIZE, dtstart.minute) : static_cast<int>(seconds / 60 % 60);
    first.second = hourly || minutely ? smallest(rule.by_second, ICAL_BY_SECOND_SIZE, dtstart.second) : static_cast<int>(seconds % 60);
    return first;
}

// Expands a rule that limits days below DAILY (see limitsDaysBelowDaily): the days are found
// here, one at a time from the first that can hold an occurrence to the window's end, and
// libical steps only within each matching day, through the rule without its day limits. COUNT
// and UNTIL are applied here, over the occurrences of every matching day in turn. Returns false
// when the expansion was cut short by `maximumOccurrences` steps.
template <typename Consider>
bool expandDayByDay(const icalrecurrencetype& rule, const CalendarTime& start, Date first, const ParsedCalendarFile& file,
    const std::string& localZone, Date earliest, Date windowEnd, size_t maximumOccurrences, Consider&& consider)
{
    icalrecurrencetype withinDay = rule;
    withinDay.count = 0;
    withinDay.until = icaltime_null_time();
    withinDay.by_month[0] = withinDay.by_month_day[0] = withinDay.by_year_day[0] = withinDay.by_day[0] = ICAL_RECURRENCE_ARRAY_MAX;
    icaltimetype dtstart = floatingIcalTime(start);
    auto midnightOf = [](icaltimetype time) {
        time.hour = time.minute = time.second = 0;
        return time;
    };
    // With COUNT every occurrence from DTSTART on is counted, so the days start there.
    icaltimetype day = midnightOf(dtstart);
    if (rule.count == 0 && earliest > first) {
        if (auto local = ICalendarParser::inZoneOf(start, earliest, file, localZone))
            day = midnightOf(floatingIcalTime(*local));
    }
    auto lastReading = ICalendarParser::inZoneOf(start, windowEnd, file, localZone);
    if (!lastReading)
        return true;
    icaltimetype lastDay = floatingIcalTime(*lastReading);
    if (!icaltime_is_null_time(rule.until) && icaltime_compare(rule.until, lastDay) < 0)
        lastDay = rule.until;

    size_t counted = 1; // DTSTART is the first of COUNT occurrences, as in expand
    size_t steps = 0;
    std::map<long long, std::optional<long long>> firstSteps;
    for (; icaltime_compare_date_only(day, lastDay) <= 0; icaltime_adjust(&day, 1, 0, 0, 0)) {
        if (!dayMatches(rule, day))
            continue;
        // Each day starts an iteration of its own at its first occurrence: libical drops the
        // first match after a start that is not one itself.
        icaltimetype dayStart = dtstart;
        if (icaltime_compare_date_only(day, dtstart) > 0) {
            auto first = firstStepOfDay(rule, dtstart, day, firstSteps);
            if (!first)
                continue;
            dayStart = *first;
        }
        std::unique_ptr<icalrecur_iterator, void (*)(icalrecur_iterator*)> iterator(
            icalrecur_iterator_new(withinDay, dayStart), icalrecur_iterator_free);
        if (!iterator)
            return true;
        for (icaltimetype next = icalrecur_iterator_next(iterator.get()); !icaltime_is_null_time(next);
             next = icalrecur_iterator_next(iterator.get())) {
            if (++steps > maximumOccurrences)
                return false;
            if (icaltime_compare_date_only(next, day) > 0)
                break;
            if (!icaltime_is_null_time(rule.until) && icaltime_compare(next, rule.until) > 0)
                return true;
            CalendarTime occurrence = fromIcalTime(next, start);
            if (occurrence == start)
                continue;
            if (rule.count > 0 && counted++ >= static_cast<size_t>(rule.count))
                return true;
            auto when = ICalendarParser::instant(occurrence, file, localZone);
            if (!when || *when > windowEnd)
                return true;
            consider(occurrence, *when);
        }
    }
    return true;
}
}

std::optional<Date> ICalendarParser::lastOccurrenceStart(
    const ParsedItem& item, const ParsedCalendarFile& file, const std::string& localZone, size_t maximumSteps)
{
    if (!item.start)
        return std::nullopt;
    auto first = instant(*item.start, file, localZone);
    if (!first)
        return std::nullopt;
    Date last = *first;
    if (item.recurrenceRule) {
        icalrecurrencetype rule = icalrecurrencetype_from_string(item.recurrenceRule->c_str());
        if (rule.freq != ICAL_NO_RECURRENCE) {
            if (!icaltime_is_null_time(rule.until)) {
                // UNTIL bounds the starts; in UTC, or as a reading of DTSTART's zone (a day
                // later at most).
                Date until(static_cast<double>(icaltime_as_timet(rule.until)));
                last = std::max(last, until + (icaltime_is_utc(rule.until) ? 0 : 2 * 86400));
            } else if (rule.count > 0 && static_cast<size_t>(rule.count) <= maximumSteps) {
                bool complete = expand(item, file, localZone, *first, Date(1e12), 0, maximumSteps,
                    [&](const CalendarTime&, Date start) { last = std::max(last, start); });
                if (!complete)
                    return std::nullopt;
            } else {
                return std::nullopt;
            }
        }
    }
    for (auto& extra : item.recurrenceDates) {
        if (auto when = instant(extra, file, localZone))
            last = std::max(last, *when);
    }
    return last;
}

bool ICalendarParser::expand(const ParsedItem& item, const ParsedCalendarFile& file, const std::string& localZone, Date windowStart,
    Date windowEnd, TimeInterval duration, size_t maximumOccurrences, const std::function<void(const CalendarTime&, Date)>& visit)
{
    if (!item.start)
        return true;
    const CalendarTime& start = *item.start;
    Date earliest = windowStart - std::max(duration, 0.0);
    auto overlaps = [&](Date occurrence) { return occurrence <= windowEnd && occurrence >= earliest; };

    std::set<double> seen;
    std::vector<std::pair<Date, CalendarTime>> occurrences;
    std::set<double> excluded;
    std::set<std::tuple<int, int, int>> excludedDays;
    for (auto& exception : item.exceptionDates) {
        if (exception.isDate)
            excludedDays.emplace(exception.year, exception.month, exception.day);
        else if (auto when = instant(exception, file, localZone))
            excluded.insert(when->timeIntervalSince1970());
    }
    auto isExcluded = [&](const CalendarTime& time, Date when) {
        return excluded.contains(when.timeIntervalSince1970()) || excludedDays.contains({ time.year, time.month, time.day });
    };
    auto consider = [&](const CalendarTime& time, Date when) {
        if (!overlaps(when) || isExcluded(time, when))
            return;
        if (seen.insert(when.timeIntervalSince1970()).second)
            occurrences.emplace_back(when, time);
    };

    auto first = instant(start, file, localZone);
    if (!first)
        return true;
    consider(start, *first);

    bool complete = true;
    if (item.recurrenceRule) {
        icalrecurrencetype rule = icalrecurrencetype_from_string(item.recurrenceRule->c_str());
        // The rule steps through wall-clock readings; each is placed in the zone afterwards.
        // An UNTIL in UTC becomes the reading it has in DTSTART's zone (its day, for a series of
        // days), so that it compares with readings.
        if (!icaltime_is_null_time(rule.until) && icaltime_is_utc(rule.until)) {
            Date until(static_cast<double>(icaltime_as_timet(rule.until)));
            if (auto local = inZoneOf(start, until, file, localZone))
                rule.until = floatingIcalTime(*local);
        }
        if (limitsDaysBelowDaily(rule)) {
            complete = expandDayByDay(rule, start, *first, file, localZone, earliest, windowEnd, maximumOccurrences, consider);
        } else if (icalrecur_iterator* iterator
            = rule.freq == ICAL_NO_RECURRENCE ? nullptr : icalrecur_iterator_new(rule, floatingIcalTime(start))) {
            // Rules without COUNT can start at the window; with COUNT every occurrence before it
            // has to be counted, so the iteration starts at DTSTART.
            // A start that libical refuses (past UNTIL, or a rule it cannot seek in) leaves the
            // iteration at DTSTART, which the step limit bounds.
            if (rule.count == 0 && earliest > *first) {
                if (auto local = inZoneOf(start, earliest, file, localZone))
                    icalrecur_iterator_set_start(iterator, floatingIcalTime(*local));
            }
            // DTSTART is the first of COUNT occurrences even where it does not match the rule,
            // and libical leaves such a DTSTART out of what it counts.
            size_t counted = 1;
            size_t steps = 0;
            for (icaltimetype next = icalrecur_iterator_next(iterator); !icaltime_is_null_time(next);
                 next = icalrecur_iterator_next(iterator)) {
                if (++steps > maximumOccurrences) {
                    complete = false;
                    break;
                }
                CalendarTime occurrence = fromIcalTime(next, start);
                if (occurrence == start)
                    continue;
                if (rule.count > 0 && counted++ >= static_cast<size_t>(rule.count))
                    break;
                auto when = instant(occurrence, file, localZone);
                if (!when)
                    break;
                if (*when > windowEnd)
                    break;
                consider(occurrence, *when);
            }
            icalrecur_iterator_free(iterator);
        }
    }
    for (auto& extra : item.recurrenceDates) {
        if (auto when = instant(extra, file, localZone))
            consider(extra, *when);
    }

    std::sort(occurrences.begin(), occurrences.end(), [](auto& a, auto& b) { return a.first < b.first; });
    for (auto& [when, time] : occurrences)
        visit(time, when);
    return complete;
}

}
