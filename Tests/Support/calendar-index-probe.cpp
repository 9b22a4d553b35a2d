// calendar-index-probe: one process that reads calendars as the programs do, for the tests that
// need a second process beside the test's own (the shared calendar index between processes).
//   calendar-index-probe ROOTS START END
// Reads the calendars under ROOTS (a colon list) with the shared index (TARVIK_CACHE_DIR, TZ from the
// environment) and prints a first line "parsed N, index PATH|none", then one line per event that
// overlaps [START, END] (ISO 8601), then one per incomplete to-do, as `describe` writes them.

#include "Tests/Support/CalendarDescription.hpp"

#include "Platform/Calendar/ICalendarStore.hpp"
#include "Platform/Runtime/DispatchQueue.hpp"
#include "Platform/Runtime/ISO8601.hpp"
#include "Platform/Runtime/IcuEnvironment.hpp"

#include <iostream>

int main(int argc, char** argv)
{
    auto start = argc == 4 ? tvk::ISO8601::parse(argv[2]) : std::nullopt;
    auto end = argc == 4 ? tvk::ISO8601::parse(argv[3]) : std::nullopt;
    if (!start || !end) {
        std::cerr << "usage: calendar-index-probe ROOTS START END\n";
        return 2;
    }
    tvk::IcuEnvironment::configureFromEnvironment();
    std::vector<std::filesystem::path> roots;
    std::string_view rest(argv[1]);
    for (auto colon = rest.find(':'); !rest.empty(); colon = rest.find(':')) {
        roots.emplace_back(rest.substr(0, colon));
        rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    }
    tvk::ICalendarStore store(roots, tvk::ICalendarStore::Monitoring::off);
    auto lines = tvk::test::describe(store, *start, *end);
    std::cout << "parsed " << store.parseCount() << ", index " << (store.sharedIndexPath() ? store.sharedIndexPath()->string() : "none")
              << '\n';
    for (auto& line : lines)
        std::cout << line << '\n';
    return 0;
}
