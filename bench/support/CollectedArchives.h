#pragma once
// What a collector has recorded of simulated stations (WireStations) in its output folder, read
// from the archive files as they grow: counts of lines, and how long each line took from the
// station's recording to the collector's archive.

#include "GeneratorLedger.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// An instrument line with its CR LF, as every archive holds it.
inline constexpr std::size_t ArchiveLineBytes = 63;

// Lines in the archive files of one station's folder (<out>/<station>/ARCHIVE).
std::uint64_t CollectedLines(const std::filesystem::path& archive);
// Of the ledger's stations "S0" .. in `out`.
std::uint64_t CollectedLinesOfAll(const std::filesystem::path& out, int stations);

// Lines `first` .. `first + count - 1` as the ledger's stations record them, each ended by CR LF.
std::string ExpectedArchive(std::uint32_t first, std::uint32_t count);

// Polls the archives of the ledger's timed stations ten times a second; a line's latency is
// from its recording to the first poll that finds it, sorted by line number into the warm-up
// (lines before `warmupLines`), the steady part (before `steadyEnd`) and the rest (not kept).
class TLatencyWatcher {
public:
    TLatencyWatcher(const std::filesystem::path& out, const TGeneratorLedger& ledger, std::uint32_t warmupLines,
                    std::uint32_t steadyEnd);
    ~TLatencyWatcher();  // Stop()
    void Stop();

    // Seconds, sorted.
    std::vector<double> Warmup() const;
    std::vector<double> Steady() const;

private:
    void Run();

    const std::filesystem::path FOut;
    const TGeneratorLedger& FLedger;
    const std::uint32_t FWarmupLines, FSteadyEnd;
    mutable std::mutex FLock;
    std::vector<double> FWarmup, FSteady;
    std::atomic<bool> FRunning{true};
    std::thread FThread;
};

// The value below which `share` (0 .. 1) of the sorted `values` lie; -1 without values.
double Percentile(const std::vector<double>& values, double share);
