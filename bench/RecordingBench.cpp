// Recording rate on one core: the daily archive and the INTERMAGNET writer with the standard
// 91-coefficient Gaussian filter, fed one sample per second of time stamps (the goal is at least
// 200,000 samples per second together). Files go to a fresh folder under the system's temporary
// directory, removed at the end.
#include "recording/DerivedFiles.h"
#include "recording/Filter.h"
#include "recording/IntermagnetDataFile.h"
#include "recording/TextWithTimeDataFile.h"
#include "instrument/InstrumentLine.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <numbers>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Runs the benchmark inside a scratch folder (the writers' trees are relative).
class TScratchFolder {
public:
    TScratchFolder() {
        std::string pattern = (fs::temp_directory_path() / "orvant-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        FPath = pattern;
        FPrevious = fs::current_path();
        fs::current_path(FPath);
    }
    ~TScratchFolder() {
        fs::current_path(FPrevious);
        fs::remove_all(FPath);
    }

private:
    fs::path FPath, FPrevious;
};

// The standard 1-second to one-minute filter (filters/gaussian-1s-to-1min-91.filter).
TFilter Gaussian91() {
    const double sigma = 60.0 * std::sqrt(std::log(2.0)) / std::numbers::pi;
    std::vector<double> coefficients(91, 0.0);
    double sum = 0;
    for (int k = -45; k <= 45; ++k) sum += coefficients[k + 45] = std::exp(-0.5 * k * k / (sigma * sigma));
    for (double& c : coefficients) c /= sum;
    return TFilter(std::move(coefficients));
}

const TDateTime Start = EncodeDateTime(2024, 1, 5, 0, 0, 0);
constexpr double Second = 1.0 / SecondsPerDay;

std::array<double, 5> Sample(long i) {
    return {21345.67 + std::sin(i * 0.01), -1234.5 + 0.001 * (i % 1000), 45678.9, 21.5, 20.2};
}

void BM_ArchiveAndIntermagnet(benchmark::State& state) {
    TScratchFolder folder;
    TFilter filter = Gaussian91();
    {
        TTextWithTimeDataFile archive;
        archive.SetExtension("orv");
        TIntermagnetDataFile intermagnet(60, "ABC", "HDZF", "GHI", "0402", "0245", "000000");
        intermagnet.SetExtension(intermagnet.IDC());
        const std::string line = FormatInstrumentLine(Start, Sample(0));
        std::string record;
        long i = 0;
        for (auto _ : state) {
            const TDateTime time = Start + i * Second;
            archive.WriteDateFile(line, time);
            const auto values = Sample(i);
            for (const TFilterValue& out :
                 filter.FilterSample(std::span<const double>(values).first(3), time, 60))
                intermagnet.WriteDataFileT(out, record);
            ++i;
        }
        intermagnet.Finish();
        archive.Finish();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ArchiveAndIntermagnet)->Unit(benchmark::kMicrosecond)->MinTime(2.0);

// The same with both IAGA-2002 products beside them, through the run's own derived files.
void BM_ArchiveIntermagnetAndIaga(benchmark::State& state) {
    TScratchFolder folder;
    TDerivedSettings settings;
    settings.IntermagnetHeader = {"ABC", "HDZF", "GHI", "0402", "0245", "000000"};
    settings.FilterCoefficients = Gaussian91().Coefficients();
    settings.Iaga.SecondFiles = settings.Iaga.MinuteFiles = true;
    settings.Iaga.Header.Latitude = settings.Iaga.Header.Longitude = "0";
    settings.Iaga.Header.Elevation = "0";
    {
        TTextWithTimeDataFile archive;
        archive.SetExtension("orv");
        TDerivedFiles derived(settings);
        if (!derived.Notices().empty()) throw std::runtime_error(derived.Notices().front());
        const std::string line = FormatInstrumentLine(Start, Sample(0));
        long i = 0;
        for (auto _ : state) {
            const TDateTime time = Start + i * Second;
            archive.WriteDateFile(line, time);
            derived.Record(Sample(i), time);
            ++i;
        }
        derived.Finish();
        archive.Finish();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ArchiveIntermagnetAndIaga)->Unit(benchmark::kMicrosecond)->MinTime(2.0);

void BM_ArchiveOnly(benchmark::State& state) {
    TScratchFolder folder;
    {
        TTextWithTimeDataFile archive;
        archive.SetExtension("orv");
        const std::string line = FormatInstrumentLine(Start, Sample(0));
        long i = 0;
        for (auto _ : state) archive.WriteDateFile(line, Start + (i++) * Second);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ArchiveOnly)->Unit(benchmark::kMicrosecond)->MinTime(1.0);

void BM_Filter91(benchmark::State& state) {
    TFilter filter = Gaussian91();
    long i = 0;
    for (auto _ : state) {
        const auto values = Sample(i);
        const auto& out =
            filter.FilterSample(std::span<const double>(values).first(3), Start + (i++) * Second);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Filter91)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
