// Link detection over a 4 KiB invitation, as every event reload runs it on each event's notes:
// a cache miss (detector, URL parsing, Google and Safe Links unwrapping, up to 25 patterns per
// URL) and a cache hit (CRC-32 of the text and a copy of the cached links). Budget for a miss:
// 100 µs.

#include "Platform/Runtime/StandardPaths.hpp"
#include "Platform/Text/LinkDetector.hpp"
#include "Platform/Text/Url.hpp"
#include "TVKCore/VideoConference/VideoConferenceLinkParser.hpp"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

using namespace tvk;

namespace {

std::string sample(const std::string& name)
{
    auto resources = StandardPaths::resourceDirectory();
    std::ifstream file(resources.value_or("/nonexistent") / "Samples" / name, std::ios::binary);
    std::ostringstream contents;
    contents << file.rdbuf();
    if (contents.str().empty()) {
        std::fprintf(stderr, "sample %s not found; set TARVIK_RESOURCES to the Resources folder\n", name.c_str());
        std::exit(1);
    }
    return contents.str();
}

/// Outlook's HTML Teams invitation: 4.2 KB, six links, five of them behind Safe Links.
const std::string& outlookInvitation()
{
    static const std::string text = sample("teams-outlook.html");
    return text;
}

/// Plain-text invitations of Zoom, Teams and Webex with other links around, cut to 4 KiB at
/// a line end.
const std::string& plainInvitation()
{
    static const std::string text = [] {
        std::string joined = sample("zoom-plain.txt") + sample("teams-outlook-plain.txt") + sample("webex-plain.txt")
            + sample("no-meeting-links.txt") + sample("zoom-plain.txt");
        joined.resize(4096);
        return joined.substr(0, joined.rfind('\n') + 1);
    }();
    return text;
}

void parseMiss(benchmark::State& state, const std::string& invitation)
{
    VideoConferenceLinkParser parser(VideoConferenceService::all);
    std::string text = invitation + "\n";
    size_t counterAt = text.size();
    unsigned long counter = 0;
    size_t links = 0;
    for (auto _ : state) {
        // A different last line gives a different CRC-32, so every parse misses the cache.
        text.resize(counterAt);
        text += std::to_string(++counter);
        links = parser.parse(text).size();
        benchmark::DoNotOptimize(links);
    }
    state.counters["links"] = static_cast<double>(links);
    state.counters["bytes"] = static_cast<double>(text.size());
}

void parseHit(benchmark::State& state, const std::string& invitation)
{
    VideoConferenceLinkParser parser(VideoConferenceService::all);
    (void)parser.parse(invitation);
    for (auto _ : state)
        benchmark::DoNotOptimize(parser.parse(invitation));
    state.counters["bytes"] = static_cast<double>(invitation.size());
}

void parseOutlookInvitationCacheMiss(benchmark::State& state)
{
    parseMiss(state, outlookInvitation());
}
void parseOutlookInvitationCacheHit(benchmark::State& state)
{
    parseHit(state, outlookInvitation());
}
void parsePlainInvitationCacheMiss(benchmark::State& state)
{
    parseMiss(state, plainInvitation());
}
void parsePlainInvitationCacheHit(benchmark::State& state)
{
    parseHit(state, plainInvitation());
}
BENCHMARK(parseOutlookInvitationCacheMiss)->Unit(benchmark::kMicrosecond);
BENCHMARK(parseOutlookInvitationCacheHit)->Unit(benchmark::kMicrosecond);
BENCHMARK(parsePlainInvitationCacheMiss)->Unit(benchmark::kMicrosecond);
BENCHMARK(parsePlainInvitationCacheHit)->Unit(benchmark::kMicrosecond);

// The parts of a miss, to see where the time goes.
void detectLinksInOutlookInvitation(benchmark::State& state)
{
    const auto& detector = LinkDetector::shared();
    for (auto _ : state)
        benchmark::DoNotOptimize(detector.matches(outlookInvitation()));
}
BENCHMARK(detectLinksInOutlookInvitation)->Unit(benchmark::kMicrosecond);

void matchAUrlOfNoServiceAgainstAllPatterns(benchmark::State& state)
{
    auto url = *Url::make("https://www.microsoft.com/en-us/microsoft-teams/download-app");
    for (auto _ : state) {
        bool any = false;
        for (const auto& service : VideoConferenceService::all)
            any |= service.matches(url);
        benchmark::DoNotOptimize(any);
    }
}
BENCHMARK(matchAUrlOfNoServiceAgainstAllPatterns)->Unit(benchmark::kMicrosecond);

// What every process pays once before its first detection: the top-level domains of the
// system's public suffix list.
void loadTheTopLevelDomains(benchmark::State& state)
{
    size_t count = 0;
    for (auto _ : state)
        count = LinkDetector::loadTopLevelDomains("/usr/share/publicsuffix/public_suffix_list.dat").value_or(LinkDetector::TopLevelDomains {}).size();
    state.counters["domains"] = static_cast<double>(count);
}
BENCHMARK(loadTheTopLevelDomains)->Unit(benchmark::kMicrosecond);

}
