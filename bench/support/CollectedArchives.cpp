#include "CollectedArchives.h"

#include "WireStations.h"

#include <algorithm>

namespace fs = std::filesystem;

std::uint64_t CollectedLines(const fs::path& archive) {
    std::uint64_t bytes = 0;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(archive, error); it != fs::recursive_directory_iterator();
         it.increment(error))
        if (it->is_regular_file(error)) bytes += it->file_size(error);
    return bytes / ArchiveLineBytes;
}

std::uint64_t CollectedLinesOfAll(const fs::path& out, int stations) {
    std::uint64_t total = 0;
    for (int station = 0; station < stations; ++station)
        total += CollectedLines(out / ("S" + std::to_string(station)) / "ARCHIVE");
    return total;
}

std::string ExpectedArchive(std::uint32_t first, std::uint32_t count) {
    std::string text;
    for (std::uint32_t line = first; line < first + count; ++line) text += WireStationLine(line) + "\r\n";
    return text;
}

TLatencyWatcher::TLatencyWatcher(const fs::path& out, const TGeneratorLedger& ledger, std::uint32_t warmupLines,
                                 std::uint32_t steadyEnd)
    : FOut(out), FLedger(ledger), FWarmupLines(warmupLines), FSteadyEnd(steadyEnd), FThread([this] { Run(); }) {}

TLatencyWatcher::~TLatencyWatcher() { Stop(); }

void TLatencyWatcher::Stop() {
    FRunning = false;
    if (FThread.joinable()) FThread.join();
}

void TLatencyWatcher::Run() {
    std::vector<std::uint64_t> seen(std::size_t(FLedger.TimedStations()), 0);
    while (FRunning) {
        for (int timed = 0; timed < FLedger.TimedStations(); ++timed) {
            const int station = FLedger.TimedStation(timed);
            const std::uint64_t lines = CollectedLines(FOut / ("S" + std::to_string(station)) / "ARCHIVE");
            const auto now = TGeneratorLedger::Clock::now();
            std::lock_guard<std::mutex> lock(FLock);
            for (std::uint64_t& line = seen[std::size_t(timed)]; line < lines; ++line) {
                const auto recorded = FLedger.RecordedAt(station, std::uint32_t(line));
                if (!recorded || line >= FSteadyEnd) continue;
                (line < FWarmupLines ? FWarmup : FSteady).push_back(std::chrono::duration<double>(now - *recorded).count());
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

std::vector<double> TLatencyWatcher::Warmup() const {
    std::lock_guard<std::mutex> lock(FLock);
    std::vector<double> sorted = FWarmup;
    std::sort(sorted.begin(), sorted.end());
    return sorted;
}

std::vector<double> TLatencyWatcher::Steady() const {
    std::lock_guard<std::mutex> lock(FLock);
    std::vector<double> sorted = FSteady;
    std::sort(sorted.begin(), sorted.end());
    return sorted;
}

double Percentile(const std::vector<double>& values, double share) {
    if (values.empty()) return -1;
    return values[std::min(values.size() - 1, std::size_t(share * double(values.size())))];
}
