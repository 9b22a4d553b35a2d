// Runs one recurrence example of the golden suite (Fixtures/Recurrence): the calendar store
// reads EXAMPLE.ics from a calendar root of its own and lists the starts of its occurrences in
// the window that EXPECTED names, written in the example's zone with their offset; they must
// be the instants EXPECTED lists. With --regenerate it rewrites EXPECTED's instants from what
// the store gives instead, keeping its header: for a person who has checked the new instants
// against the example's source.
//
//     RecurrenceExamples [--regenerate] EXAMPLE.ics EXPECTED
//
// EXPECTED holds '#' lines (free text, and "# zone: Olson name", "# from: ISO-8601",
// "# to: ISO-8601") and one instant a line.

#include "Platform/Calendar/ICalendarStore.hpp"
#include "Platform/Runtime/CivilTime.hpp"
#include "Platform/Runtime/ISO8601.hpp"
#include "Platform/Runtime/IcuEnvironment.hpp"
#include "Platform/Runtime/PlatformLog.hpp"
#include "Platform/Runtime/WallClockTime.hpp"
#include "Tests/Support/TemporaryDirectory.hpp"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

using namespace tvk;

namespace {

struct ExpectedFile {
    std::vector<std::string> header;
    std::string zone;
    std::optional<Date> from;
    std::optional<Date> to;
    std::vector<std::string> instants;
};

std::optional<ExpectedFile> readExpected(const std::filesystem::path& path, std::string& problem)
{
    std::ifstream file(path);
    if (!file) {
        problem = "cannot read " + path.string();
        return std::nullopt;
    }
    ExpectedFile expected;
    std::string line;
    while (std::getline(file, line)) {
        if (line.empty())
            continue;
        if (line.front() != '#') {
            expected.instants.push_back(line);
            continue;
        }
        expected.header.push_back(line);
        auto value = [&](std::string_view key) -> std::optional<std::string> {
            std::string prefix = "# " + std::string(key) + ": ";
            return line.starts_with(prefix) ? std::optional(line.substr(prefix.size())) : std::nullopt;
        };
        if (auto zone = value("zone"))
            expected.zone = *zone;
        if (auto from = value("from"))
            expected.from = ISO8601::parse(*from);
        if (auto to = value("to"))
            expected.to = ISO8601::parse(*to);
    }
    if (expected.zone.empty() || !expected.from || !expected.to) {
        problem = path.string() + " does not name its zone and window (\"# zone:\", \"# from:\", \"# to:\")";
        return std::nullopt;
    }
    return expected;
}

/// "1997-09-02T09:00:00-04:00": the reading in `zone` with its offset, as a person checks it
/// against an example that lists local times.
std::optional<std::string> inZone(Date date, const WallClockTime::UtcOffsetAt& offsets)
{
    auto seconds = static_cast<std::int64_t>(std::llround(date.timeIntervalSince1970()));
    auto offset = offsets(seconds);
    if (!offset)
        return std::nullopt;
    auto wall = CivilTime::fromSecondsSince1970(seconds + *offset);
    auto minutes = std::abs(*offset) / 60;
    char text[48];
    std::snprintf(text, sizeof text, "%04lld-%02u-%02uT%02u:%02u:%02u%c%02lld:%02lld", static_cast<long long>(wall.year), wall.month,
        wall.day, wall.hour, wall.minute, wall.second, *offset < 0 ? '-' : '+', static_cast<long long>(minutes / 60),
        static_cast<long long>(minutes % 60));
    return std::string(text);
}

}

int main(int argc, char** argv)
{
    std::vector<std::string> arguments(argv + 1, argv + argc);
    bool regenerate = !arguments.empty() && arguments.front() == "--regenerate";
    if (regenerate)
        arguments.erase(arguments.begin());
    if (arguments.size() != 2) {
        std::cerr << "usage: RecurrenceExamples [--regenerate] EXAMPLE.ics EXPECTED\n";
        return 2;
    }
    std::filesystem::path example = arguments[0];
    std::filesystem::path expectedPath = arguments[1];

    // What the test programs pin, and a home of the example's own.
    ::setenv("TZ", "Europe/Berlin", 1);
    ::setenv("LC_ALL", "en_US.UTF-8", 1);
    tzset();
    IcuEnvironment::configure("Europe/Berlin", "en_US");
    test::TemporaryDirectory home;
    ::setenv("HOME", home.path().c_str(), 1);
    ::setenv("XDG_CACHE_HOME", (home / "cache").c_str(), 1);
    ::setenv("TARVIK_CACHE_DIR", (home / "cache").c_str(), 1);
    std::vector<std::string> log;
    PlatformLog::setSink([&log](PlatformLog::Level, std::string_view, std::string_view message) { log.emplace_back(message); });

    std::string problem;
    auto expected = readExpected(expectedPath, problem);
    if (!expected) {
        std::cerr << problem << '\n';
        return 2;
    }
    auto offsets = WallClockTime::offsetsOfZone(expected->zone);
    if (!offsets) {
        std::cerr << expectedPath.string() << ": no such zone \"" << expected->zone << "\"\n";
        return 2;
    }

    std::ifstream source(example, std::ios::binary);
    std::stringstream contents;
    contents << source.rdbuf();
    if (!source) {
        std::cerr << "cannot read " << example.string() << '\n';
        return 2;
    }
    home.write("calendars/examples/" + example.stem().string() + "/example.ics", contents.str());
    ICalendarStore store({ home / "calendars" }, ICalendarStore::Monitoring::off);
    auto events = store.events(store.predicateForEvents(*expected->from, *expected->to, store.calendars(EntityType::event)));
    std::vector<std::string> actual;
    for (auto& event : events) {
        auto text = inZone(event.startDate, *offsets);
        actual.push_back(text.value_or("(no offset in " + expected->zone + ")"));
    }
    for (auto& line : log)
        std::cerr << "store: " << line << '\n';

    if (regenerate) {
        std::ofstream file(expectedPath, std::ios::trunc);
        for (auto& line : expected->header)
            file << line << '\n';
        for (auto& instant : actual)
            file << instant << '\n';
        if (!file) {
            std::cerr << "cannot write " << expectedPath.string() << '\n';
            return 1;
        }
        std::cout << expectedPath.string() << ": " << actual.size() << " instants"
                  << (actual == expected->instants ? ", as before\n" : ", changed: review the difference against the example's source\n");
        return 0;
    }
    if (actual == expected->instants) {
        std::cout << example.stem().string() << ": " << actual.size() << " instants as expected\n";
        return 0;
    }
    std::cout << example.stem().string() << ": the store gives other instants than " << expectedPath.string() << "\n";
    size_t rows = std::max(actual.size(), expected->instants.size());
    for (size_t row = 0; row < rows; ++row) {
        std::string want = row < expected->instants.size() ? expected->instants[row] : "(none)";
        std::string got = row < actual.size() ? actual[row] : "(none)";
        std::cout << (want == got ? "  " : "! ") << "expected " << want << "   got " << got << '\n';
    }
    return 1;
}
