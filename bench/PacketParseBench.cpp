// Parse rate of the measurement packet, one core: the whole constructor, the parser alone, and
// the bare number conversions (six integers and five floats by std::from_chars).
#include "acquisition/LineAssembler.h"
#include "acquisition/LogicalPacket.h"
#include "instrument/InstrumentLine.h"

#include <benchmark/benchmark.h>

#include <charconv>
#include <string_view>
#include <vector>

namespace {

std::vector<std::string> MakeLines(int count) {
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i) {
        const double x = i * 0.37;
        lines.push_back(FormatInstrumentLine(EncodeDateTime(2024, 1, 5, 0, 0, 0) + i / 86400.0,
                                             {21000 + x, -1200 - x, 45000 + x / 3, 21.5, -3.0}));
    }
    return lines;
}

const std::vector<std::string>& Lines() {
    static const std::vector<std::string> lines = MakeLines(4096);
    return lines;
}

void BM_LogicalPacket(benchmark::State& state) {
    const auto& lines = Lines();
    std::size_t i = 0;
    for (auto _ : state) {
        TLogicalPacket packet(lines[i++ & 4095]);
        benchmark::DoNotOptimize(packet.Values());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LogicalPacket);

// The parser without a packet, as the file loader runs it: no copy of the line, no allocation.
void BM_TryParseInstrumentLine(benchmark::State& state) {
    const auto& lines = Lines();
    std::size_t i = 0;
    TDateTime stamp = 0;
    std::array<double, 5> values;
    for (auto _ : state) {
        benchmark::DoNotOptimize(TryParseInstrumentLine(lines[i++ & 4095], stamp, values));
        benchmark::DoNotOptimize(values);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TryParseInstrumentLine);

// The floor: split at blanks and convert, nothing else (no checks, no date encoding).
void BM_FromCharsOnly(benchmark::State& state) {
    const auto& lines = Lines();
    std::size_t i = 0;
    for (auto _ : state) {
        std::string_view rest = lines[i++ & 4095];
        int fields[6];
        double values[5];
        for (int f = 0; f < 11; ++f) {
            while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
            const std::size_t end = std::min(rest.find(' '), rest.size());
            if (f < 6)
                std::from_chars(rest.data(), rest.data() + end, fields[f]);
            else
                std::from_chars(rest.data(), rest.data() + end, values[f - 6]);
            rest.remove_prefix(end);
        }
        benchmark::DoNotOptimize(fields);
        benchmark::DoNotOptimize(values);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FromCharsOnly);

// The reader's byte rules over the received stream (CR LF ended lines), per line.
void BM_LineAssembler(benchmark::State& state) {
    std::string stream;
    for (const std::string& line : Lines()) stream += line + "\r\n";
    TLineAssembler assembler;
    std::size_t lines = 0;
    for (auto _ : state) {
        assembler.Feed(
            stream.data(), stream.size(), [&](const std::string& line) { lines += line.size() != 0; },
            [] {});
    }
    benchmark::DoNotOptimize(lines);
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(Lines().size()));
}
BENCHMARK(BM_LineAssembler);

}  // namespace

BENCHMARK_MAIN();
