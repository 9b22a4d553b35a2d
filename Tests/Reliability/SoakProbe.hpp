#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tvk::test {

/// What a long run in simulated minutes measures of its own process: resident memory, open
/// descriptors, threads, inotify watches and the sources attached to the main context (timers,
/// queued blocks, file monitors). It samples every ten minutes from the end of the warm-up on,
/// and at the end prints each figure's first, last and peak value and the memory's slope;
/// the run fails when any of them grew.
///
/// Create it on the main thread and sample there: counting the main context's sources attaches
/// one of its own for a moment.
class SoakProbe {
public:
    struct Sample {
        int minute = 0;
        long residentKilobytes = 0;
        long descriptors = 0;
        long threads = 0;
        long watches = 0;
        long sources = 0;
        long monitors = 0;
        std::map<std::string, long> sourcesByName;
    };

    /// `warmUpMinute`: the minute from which growth counts; what a run builds up until then
    /// (caches, the calendar index, the first layouts) is its working set, not a leak.
    explicit SoakProbe(int warmUpMinute);
    ~SoakProbe();
    SoakProbe(const SoakProbe&) = delete;
    SoakProbe& operator=(const SoakProbe&) = delete;

    /// Called after every simulated minute; samples when one is due.
    void minutePassed(int minute);

    /// Prints the figures to standard output. `memoryLimitKilobytes` bounds the growth of
    /// resident memory; descriptors, threads and sources may be held by a step still on its
    /// way at a sample (two of each), inotify watches and file monitors not at all. True when
    /// nothing grew past its bound.
    bool report(long memoryLimitKilobytes) const;

    const std::vector<Sample>& samples() const { return m_samples; }
    /// The least-squares slope of resident memory over the samples, in kB per simulated minute.
    double memorySlopePerMinute() const;

private:
    class MainContextSources;

    int m_warmUpMinute;
    std::vector<Sample> m_samples;
    std::unique_ptr<MainContextSources> m_sources;
};

}
