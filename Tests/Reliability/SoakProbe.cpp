#include "Tests/Reliability/SoakProbe.hpp"

#include <gio/gio.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace tvk::test {

// The sources attached to the main context, by name ("" for an unnamed one): timers, the main
// queue's wake-ups, and one per file monitor, which delivers its events there. GLib lists
// them nowhere, but hands out ids in increasing order, so the live ones are those of the last
// count that still exist plus those among the ids issued since.
class SoakProbe::MainContextSources {
public:
    std::map<std::string, long> count()
    {
        GMainContext* context = g_main_context_default();
        GSource* probe = g_idle_source_new();
        guint newest = g_source_attach(probe, context);
        g_source_destroy(probe);
        g_source_unref(probe);
        std::vector<guint> candidates = std::move(m_live);
        for (guint id = m_checkedUpTo + 1; id < newest; ++id)
            candidates.push_back(id);
        m_checkedUpTo = newest;
        std::map<std::string, long> byName;
        for (guint id : candidates) {
            if (GSource* source = g_main_context_find_source_by_id(context, id)) {
                m_live.push_back(id);
                const char* name = g_source_get_name(source);
                ++byName[name ? name : ""];
            }
        }
        return byName;
    }

private:
    guint m_checkedUpTo = 0;
    std::vector<guint> m_live;
};

namespace {

long countEntries(const std::filesystem::path& directory)
{
    std::error_code error;
    long count = 0;
    for (std::filesystem::directory_iterator entry(directory, error), end; !error && entry != end; entry.increment(error))
        ++count;
    return count;
}

}

SoakProbe::SoakProbe(int warmUpMinute)
    : m_warmUpMinute(warmUpMinute)
    , m_sources(std::make_unique<MainContextSources>())
{
}

SoakProbe::~SoakProbe() = default;

void SoakProbe::minutePassed(int minute)
{
    if (minute % 10 != 0 && minute != m_warmUpMinute)
        return;
    // Counted before the warm-up too, so that fewer ids are left to look up at its end.
    auto sourcesByName = m_sources->count();
    if (minute < m_warmUpMinute)
        return;
    Sample taken { .minute = minute, .sourcesByName = std::move(sourcesByName) };
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0)
            taken.residentKilobytes = std::strtol(line.c_str() + 6, nullptr, 10);
    }
    taken.descriptors = countEntries("/proc/self/fd");
    taken.threads = countEntries("/proc/self/task");
    std::error_code error;
    for (std::filesystem::directory_iterator entry("/proc/self/fdinfo", error), end; !error && entry != end; entry.increment(error)) {
        std::ifstream info(entry->path());
        for (std::string line; std::getline(info, line);)
            taken.watches += line.rfind("inotify wd:", 0) == 0;
    }
    for (auto& [name, count] : taken.sourcesByName)
        taken.sources += count;
    if (auto monitors = taken.sourcesByName.find("GFileMonitorSource"); monitors != taken.sourcesByName.end())
        taken.monitors = monitors->second;
    m_samples.push_back(std::move(taken));
}

double SoakProbe::memorySlopePerMinute() const
{
    if (m_samples.empty())
        return 0;
    double meanX = 0, meanY = 0;
    for (auto& taken : m_samples) {
        meanX += taken.minute;
        meanY += static_cast<double>(taken.residentKilobytes);
    }
    meanX /= static_cast<double>(m_samples.size());
    meanY /= static_cast<double>(m_samples.size());
    double covariance = 0, variance = 0;
    for (auto& taken : m_samples) {
        covariance += (taken.minute - meanX) * (static_cast<double>(taken.residentKilobytes) - meanY);
        variance += (taken.minute - meanX) * (taken.minute - meanX);
    }
    return variance > 0 ? covariance / variance : 0;
}

bool SoakProbe::report(long memoryLimitKilobytes) const
{
    if (m_samples.size() < 2) {
        std::printf("FAIL: the run was too short to sample after its warm-up\n");
        return false;
    }
    auto& first = m_samples.front();
    auto& last = m_samples.back();
    auto peak = [&](long Sample::*field) {
        long most = 0;
        for (auto& taken : m_samples)
            most = std::max(most, taken.*field);
        return most;
    };
    std::printf("from minute %d (after the warm-up) to minute %d, with the peak between:\n", first.minute, last.minute);
    struct Row {
        const char* name;
        long Sample::*field;
        long slack;
    };
    const Row rows[] = { { "resident memory (kB)", &Sample::residentKilobytes, memoryLimitKilobytes },
        { "open descriptors", &Sample::descriptors, 2 }, { "threads", &Sample::threads, 2 }, { "inotify watches", &Sample::watches, 0 },
        { "main-context sources", &Sample::sources, 2 }, { "file monitors", &Sample::monitors, 0 } };
    bool flat = true;
    for (auto& row : rows) {
        std::printf("  %-22s %8ld -> %8ld (peak %ld)\n", row.name, first.*row.field, last.*row.field, peak(row.field));
        if (last.*row.field > first.*row.field + row.slack) {
            std::printf("FAIL: %s grew by %ld, more than %ld\n", row.name, last.*row.field - first.*row.field, row.slack);
            flat = false;
        }
    }
    double slope = memorySlopePerMinute();
    std::printf("resident memory slope: %.2f kB per simulated hour (%.1f kB per simulated day)\n", slope * 60, slope * 1440);
    if (last.sources > first.sources) {
        for (auto& [name, count] : last.sourcesByName) {
            auto before = first.sourcesByName.contains(name) ? first.sourcesByName.at(name) : 0;
            if (count > before)
                std::printf("  sources named \"%s\": %ld -> %ld\n", name.c_str(), before, count);
        }
    }
    return flat;
}

}
