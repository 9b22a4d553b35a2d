#pragma once

// The calendar set of a heavy user, generated once per benchmark program: 10,000 events in
// one vdir file each, 200 of them weekly or daily series, as vdirsyncer lays them out, in
// four collections of one account. Single events are spread over the months of 2026;
// `benchmarkWeekStart()` lies inside their span.

#include "Platform/Runtime/Date.hpp"
#include "Platform/Runtime/ISO8601.hpp"
#include "Platform/Runtime/IcuEnvironment.hpp"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace tvk::benchmarks {

inline const std::filesystem::path& generatedCalendarRoot()
{
    static std::filesystem::path root = [] {
        IcuEnvironment::configure("Europe/Berlin", "en_US");
        std::string pattern = (std::filesystem::temp_directory_path() / "tarvik-calendar-bench-XXXXXX").string();
        ::mkdtemp(pattern.data());
        std::filesystem::path path(pattern);
        const char* collections[] = { "work", "personal", "team", "family" };
        for (int i = 0; i < 10000; ++i) {
            auto directory = path / "account" / collections[i % 4];
            std::filesystem::create_directories(directory);
            // Spread single events over two years around the benchmark week.
            int dayOffset = (i * 7919) % 730 - 365;
            int hour = 8 + i % 10;
            char start[32];
            std::snprintf(
                start, sizeof start, "2026%02d%02dT%02d0000", 1 + (dayOffset + 365) % 365 / 31 % 12, 1 + (dayOffset + 400) % 28, hour);
            std::ofstream file(directory / ("event-" + std::to_string(i) + ".ics"));
            file << "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//bench//EN\r\nBEGIN:VEVENT\r\nUID:event-" << i << "@bench\r\n";
            file << "DTSTART;TZID=Europe/Berlin:" << start << "\r\nDURATION:PT45M\r\n";
            if (i % 50 == 0)
                file << "RRULE:FREQ=" << (i % 100 == 0 ? "WEEKLY;BYDAY=MO,WE" : "DAILY") << "\r\n";
            file << "SUMMARY:Meeting " << i << "\r\nDESCRIPTION:Join Zoom Meeting https://us02web.zoom.us/j/8571234" << i
                 << "\\nMeeting ID: 857 1234\r\nLOCATION:Room " << i % 30 << "\r\n";
            file << "ORGANIZER;CN=Organizer:mailto:organizer@example.com\r\nATTENDEE;PARTSTAT=ACCEPTED:mailto:me@example.com\r\n";
            file << "END:VEVENT\r\nEND:VCALENDAR\r\n";
        }
        return path;
    }();
    return root;
}

/// Monday of a week in the middle of the generated span.
inline Date benchmarkWeekStart()
{
    return *ISO8601::parse("2026-06-15T00:00:00+02:00");
}

}
