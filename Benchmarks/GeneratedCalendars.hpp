#pragma once

// The calendar set of a heavy user, as vdirsyncer lays it out: one account with five
// collections, one `.ics` file per event, invitations with a real-shaped meeting text and a
// dozen attendees. By default 10,000 events of which 200 are daily or weekly series; single
// events spread over the two years around `benchmarkWeekStart()`. The same files serve the
// in-process benchmarks and the whole-process comparison with other calendar programs
// (`Benchmarks/GenerateCalendars`, `scripts/bench --compare`).

#include "Platform/Runtime/Date.hpp"
#include "Platform/Runtime/ISO8601.hpp"
#include "Platform/Runtime/IcuEnvironment.hpp"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#ifndef TVK_SAMPLES_DIR
#error "TVK_SAMPLES_DIR names Resources/Samples"
#endif

namespace tvk::benchmarks {

struct GeneratedCalendarSet {
    int events = 10000;
    int series = 200;
};

inline constexpr std::array<const char*, 5> generatedCollections { "work", "personal", "team", "family", "projects" };

/// Monday of the week the benchmarks read, in the middle of the generated span.
inline Date benchmarkWeekStart()
{
    return *ISO8601::parse("2030-01-07T00:00:00+01:00");
}

namespace detail {

// Escapes an iCalendar TEXT value and folds it into lines of at most 75 octets (RFC 5545
// 3.1), never inside a UTF-8 sequence.
inline std::string textProperty(const std::string& name, const std::string& value)
{
    std::string escaped;
    for (char c : value) {
        switch (c) {
        case '\\': escaped += "\\\\"; break;
        case ';': escaped += "\\;"; break;
        case ',': escaped += "\\,"; break;
        case '\n': escaped += "\\n"; break;
        case '\r': break;
        default: escaped += c;
        }
    }
    std::string line = name + ":" + escaped;
    std::string folded;
    size_t width = 0;
    for (size_t i = 0; i < line.size(); ++i) {
        auto byte = static_cast<unsigned char>(line[i]);
        bool continuation = (byte & 0xC0) == 0x80;
        if (width >= 74 && !continuation) {
            folded += "\r\n ";
            width = 1;
        }
        folded += line[i];
        ++width;
    }
    return folded + "\r\n";
}

inline std::vector<std::string> invitationTexts()
{
    std::vector<std::string> texts;
    for (const char* name : { "zoom-plain.txt", "teams-outlook-plain.txt", "webex-plain.txt", "no-meeting-links.txt" }) {
        std::ifstream file(std::filesystem::path(TVK_SAMPLES_DIR) / name, std::ios::binary);
        texts.emplace_back(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
        if (texts.back().empty()) {
            std::fprintf(stderr, "cannot read the sample invitation %s\n", name);
            std::abort();
        }
    }
    return texts;
}

}

/// Writes the set under `root` (`root/account/<collection>/event-N.ics`). Deterministic: the
/// same set gives the same bytes.
inline void writeGeneratedCalendars(const std::filesystem::path& root, GeneratedCalendarSet set = {})
{
    auto texts = detail::invitationTexts();
    int seriesEvery = set.series > 0 ? std::max(1, set.events / set.series) : 0;
    for (const char* collection : generatedCollections)
        std::filesystem::create_directories(root / "account" / collection);
    // Single events: a working day of 2029 or 2030 at a full or half hour between 08:00 and 17:30.
    for (int i = 0; i < set.events; ++i) {
        int day = (i * 7919) % 730; // 0 = 2029-01-01
        int year = 2029 + day / 365;
        int dayOfYear = day % 365;
        static constexpr int monthDays[] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
        int month = 0;
        while (dayOfYear >= monthDays[month]) {
            dayOfYear -= monthDays[month];
            ++month;
        }
        bool isSeries = seriesEvery > 0 && i % seriesEvery == 0 && i / seriesEvery < set.series;
        if (isSeries) { // series start in late 2029 and run on through the benchmark week
            year = 2029;
            month = 9 + (i / seriesEvery) % 3;
        }
        char start[32];
        std::snprintf(start, sizeof start, "%04d%02d%02dT%02d%02d00", year, month + 1, dayOfYear % 28 + 1, 8 + i % 10, i % 2 * 30);

        std::ostringstream file;
        file << "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Tarvik//Benchmark calendars//EN\r\nBEGIN:VEVENT\r\n";
        file << "UID:event-" << i << "@bench.example.com\r\nDTSTAMP:20291201T090000Z\r\n";
        file << "DTSTART;TZID=Europe/Berlin:" << start << "\r\nDURATION:PT" << (i % 3 == 0 ? "1H" : "30M") << "\r\n";
        if (isSeries)
            file << "RRULE:FREQ=" << (i / seriesEvery % 2 == 0 ? "WEEKLY;BYDAY=MO,WE" : "DAILY;BYDAY=MO,TU,WE,TH,FR") << "\r\n";
        file << detail::textProperty("SUMMARY", "Meeting " + std::to_string(i));
        file << detail::textProperty("DESCRIPTION", texts[i % texts.size()]);
        file << detail::textProperty("LOCATION", "Room " + std::to_string(i % 30));
        file << "ORGANIZER;CN=Organizer " << i % 17 << ":mailto:organizer" << i % 17 << "@example.com\r\n";
        for (int a = 0; a < 12; ++a) {
            file << "ATTENDEE;CUTYPE=INDIVIDUAL;ROLE=REQ-PARTICIPANT;PARTSTAT=" << (a % 3 == 0 ? "ACCEPTED" : "NEEDS-ACTION")
                 << ";CN=Attendee " << a << ":mailto:attendee" << (i + a) % 97 << "@example.com\r\n";
        }
        file << "ATTENDEE;PARTSTAT=ACCEPTED;CN=Me:mailto:me@example.com\r\n";
        file << "BEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:Reminder\r\nTRIGGER:-PT10M\r\nEND:VALARM\r\n";
        file << "END:VEVENT\r\nEND:VCALENDAR\r\n";
        std::ofstream(root / "account" / generatedCollections[i % generatedCollections.size()] / ("event-" + std::to_string(i) + ".ics"),
            std::ios::binary)
            << file.str();
    }
}

/// The set the benchmarks read: the default one, or "EVENTS/SERIES" from
/// TARVIK_BENCHMARK_CALENDARS (50000/1000 shows how the costs grow).
inline GeneratedCalendarSet benchmarkCalendarSet()
{
    GeneratedCalendarSet set;
    if (const char* value = std::getenv("TARVIK_BENCHMARK_CALENDARS")) {
        if (std::sscanf(value, "%d/%d", &set.events, &set.series) != 2 || set.events < 0 || set.series < 0) {
            std::fprintf(stderr, "TARVIK_BENCHMARK_CALENDARS is EVENTS/SERIES, not \"%s\"\n", value);
            std::abort();
        }
    }
    return set;
}

/// A temporary directory of the benchmark program, removed when the program ends.
class BenchmarkDirectory {
public:
    explicit BenchmarkDirectory(const char* name)
    {
        std::string pattern = (std::filesystem::temp_directory_path() / (std::string(name) + "-XXXXXX")).string();
        if (!::mkdtemp(pattern.data()))
            std::abort();
        m_path = pattern;
    }
    ~BenchmarkDirectory()
    {
        std::error_code error;
        std::filesystem::remove_all(m_path, error);
    }
    BenchmarkDirectory(const BenchmarkDirectory&) = delete;
    BenchmarkDirectory& operator=(const BenchmarkDirectory&) = delete;
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

/// The benchmark set, written once per benchmark program into a temporary directory.
inline const std::filesystem::path& generatedCalendarRoot()
{
    static BenchmarkDirectory root("tarvik-calendar-bench");
    static bool written = [] {
        IcuEnvironment::configure("Europe/Berlin", "en_US");
        writeGeneratedCalendars(root.path(), benchmarkCalendarSet());
        return true;
    }();
    (void)written;
    return root.path();
}

}
