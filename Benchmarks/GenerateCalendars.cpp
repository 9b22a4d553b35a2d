// Writes the benchmark calendar set into a folder, for whole-process comparisons:
//   GenerateCalendars DIRECTORY [EVENTS [SERIES]]
// DIRECTORY must not exist yet or be empty; the set appears under DIRECTORY/account/.

#include "Benchmarks/GeneratedCalendars.hpp"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <string_view>

namespace {

bool parseCount(std::string_view text, int& count)
{
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), count);
    return error == std::errc() && end == text.data() + text.size() && count >= 0;
}

}

int main(int argc, char** argv)
{
    tvk::benchmarks::GeneratedCalendarSet set;
    if (argc < 2 || argc > 4 || (argc > 2 && !parseCount(argv[2], set.events)) || (argc > 3 && !parseCount(argv[3], set.series))) {
        std::fprintf(stderr, "usage: GenerateCalendars DIRECTORY [EVENTS [SERIES]]\n");
        return 2;
    }
    std::filesystem::path root(argv[1]);
    std::error_code error;
    if (std::filesystem::exists(root, error) && !std::filesystem::is_empty(root, error)) {
        std::fprintf(stderr, "GenerateCalendars: %s is not empty\n", argv[1]);
        return 1;
    }
    tvk::benchmarks::writeGeneratedCalendars(root, set);
    return 0;
}
