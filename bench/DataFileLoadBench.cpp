// Load time and peak memory of the data-file viewer's loader on two recorded days: one line a
// second (86,400 lines, as the archive writes them) and a day at the serial line's top rate
// (15.2 lines a second, 1,313,280 lines with fractional seconds such as "12.250"). For
// comparison, the line-by-line way: std::getline and one packet object per line (with the
// same parser inside, so the difference is the reading and the per-line allocations).
// Files are written to a temporary folder and read from the page cache (warm).
//
//   bench/DataFileLoadBench [repeats]   (default 5; the best and the mean wall time are shown)

#include "acquisition/LogicalPacket.h"
#include "station/DataFileLoader.h"
#include "support/ProcessMemory.h"
#include "support/RecordedDay.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using TClock = std::chrono::steady_clock;

double Seconds(TClock::duration duration) { return std::chrono::duration<double>(duration).count(); }

template <typename TLoad>
void Measure(const char* name, const fs::path& path, int repeats, TLoad load) {
    double best = 1e9, total = 0;
    std::uint64_t lines = 0;
    for (int i = 0; i < repeats; ++i) {
        const auto start = TClock::now();
        lines = load(path);
        const double seconds = Seconds(TClock::now() - start);
        best = std::min(best, seconds);
        total += seconds;
    }
    const double megabytes = static_cast<double>(fs::file_size(path)) / 1e6;
    std::printf("%-22s %9llu lines %7.1f MB  best %8.2f ms  mean %8.2f ms  %6.1f M lines/s  "
                "%6.0f MB/s  peak RSS %6.1f MB\n",
                name, static_cast<unsigned long long>(lines), megabytes, best * 1e3,
                total / repeats * 1e3, lines / best / 1e6, megabytes / best, PeakResidentKb() / 1024.0);
}

std::uint64_t Loader(const fs::path& path) {
    const TLoadedData data = LoadDataFile(path.string());
    return data.GoodLines;
}

std::uint64_t LineByLine(const fs::path& path) {
    std::ifstream in(path);
    std::vector<double> times, values[5];
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const TLogicalPacket packet(line, TBadLineReport::Silent);
        times.push_back(packet.TimeStamp());
        for (int c = 0; c < 5; ++c) values[c].push_back(packet.Values(c));
    }
    return times.size();
}

}  // namespace

int main(int argc, char* argv[]) {
    const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const fs::path work =
        fs::temp_directory_path() / ("orvant-load-" + std::to_string(getpid()));
    fs::create_directories(work);
    const fs::path second = work / "second.orv";
    const fs::path fastest = work / "fastest.orv";
    WriteRecordedDay(second, TLineRate(1, 1), 86400, false);
    WriteRecordedDay(fastest, TLineRate(76, 5), 1313280, true);
    std::printf("before loading: resident %.1f MB, peak %.1f MB\n", CurrentResidentKb() / 1024.0,
                PeakResidentKb() / 1024.0);

    Measure("loader, 1 s day", second, repeats, Loader);
    Measure("loader, 15.2 Hz day", fastest, repeats, Loader);
    Measure("getline+packet, 1 s", second, 1, LineByLine);
    Measure("getline+packet, 15.2Hz", fastest, 1, LineByLine);
    fs::remove_all(work);
}
