// Cost of the settings file: one atomic write (temporary file, fsync, rename), a whole main
// window save pass batched into one write, and a restore pass.
#include "acquisition/ProfileFile.h"
#include "settings/StationSettings.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

// A settings file in a fresh temporary folder, removed at the end.
class TBenchFile {
public:
    TBenchFile() {
        std::string pattern = (std::filesystem::temp_directory_path() / "orvant-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) std::abort();
        FFolder = pattern;
    }
    ~TBenchFile() { std::filesystem::remove_all(FFolder); }
    std::string Name() const { return (FFolder / "orvant3k.ini").string(); }

private:
    std::filesystem::path FFolder;
};

TStationSettings TypicalSettings() {
    TStationSettings settings;
    for (int n = 0; n < 121; ++n) {  // a two-minute Gaussian at one sample per second
        settings.FilterCoefficientTexts.push_back("0.0082644628");
        settings.FilterCoefficients.push_back(0.0082644628);
    }
    return settings;
}

void SingleWrite(benchmark::State& state) {
    TBenchFile place;
    TProfileFile file(place.Name());
    SaveStationSettings(TypicalSettings(), file);
    int value = 0;
    for (auto _ : state) file.WriteInteger("Options", "MaxPointsOnScreen", ++value);
}
BENCHMARK(SingleWrite)->Unit(benchmark::kMillisecond);

void SavePass(benchmark::State& state) {
    TBenchFile place;
    TProfileFile file(place.Name());
    TStationSettings settings = TypicalSettings();
    for (auto _ : state) {
        settings.MaxPointsOnScreen ^= 1;  // something changes, so the pass writes
        SaveStationSettings(settings, file);
    }
}
BENCHMARK(SavePass)->Unit(benchmark::kMillisecond);

void RestorePass(benchmark::State& state) {
    TBenchFile place;
    {
        TProfileFile file(place.Name());
        SaveStationSettings(TypicalSettings(), file);
    }
    for (auto _ : state) {
        TStationSettings settings;
        LoadStationSettings(settings, TProfileFile(place.Name()));
        benchmark::DoNotOptimize(settings);
    }
}
BENCHMARK(RestorePass)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
