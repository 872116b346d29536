// How fast the simulated instrument makes lines, and how fast they cross a pseudo-terminal.
#include "instrument/LineSource.h"
#include "instrument/SimulatedInstrument.h"

#include <benchmark/benchmark.h>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

void FieldValues(benchmark::State& state) {
    const TSimulatedField field;
    TStampMs stamp = StampOf(EncodeDateTime(2024, 1, 1, 0, 0, 0));
    for (auto _ : state) benchmark::DoNotOptimize(field.Values(stamp += 1000));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(FieldValues);

void LineBytes(benchmark::State& state) {
    const TLineSource source(StampOf(EncodeDateTime(2024, 1, 1, 0, 0, 0)), TLineRate(),
                             TLineEnd::CrLf, 0);
    std::uint64_t line = 0;
    for (auto _ : state) benchmark::DoNotOptimize(source.Bytes(line++));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(LineBytes);

// Lines per second through a pseudo-terminal with --fast and a reader that keeps up.
void PseudoTerminalThroughput(benchmark::State& state) {
    const auto lines = static_cast<std::uint64_t>(state.range(0));
    for (auto _ : state) {
        TSimulatorOptions options;
        options.Fast = true;
        options.Count = lines;
        TSimulatedInstrument instrument(options);
        instrument.Start();
        const int reader = open(instrument.DevicePath().c_str(), O_RDONLY | O_NOCTTY);
        std::size_t received = 0;
        char buffer[4096];
        while (received < lines * 63) {
            const ssize_t got = read(reader, buffer, sizeof buffer);
            if (got <= 0 && errno != EINTR) break;
            if (got > 0) received += static_cast<std::size_t>(got);
        }
        close(reader);
        instrument.Stop();
        if (received != lines * 63) state.SkipWithError("lines lost");
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(lines));
}
BENCHMARK(PseudoTerminalThroughput)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
