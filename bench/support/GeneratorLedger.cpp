#include "GeneratorLedger.h"

#include <algorithm>
#include <new>
#include <stdexcept>
#include <sys/mman.h>

TGeneratorLedger::TGeneratorLedger(int stations, int timedStations, int timedLines)
    : FStations(stations),
      FTimedStations(std::min(stations, timedStations)),
      FTimedStride(std::max(1, stations / std::max(1, std::min(stations, timedStations)))),
      FTimedLines(timedLines) {
    const std::size_t counters = std::size_t(stations) * sizeof(std::atomic<std::uint32_t>);
    const std::size_t times = std::size_t(FTimedStations) * std::size_t(timedLines) * sizeof(std::atomic<std::int64_t>);
    FBytes = sizeof(TShared) + 2 * counters + times + 64;
    // Anonymous shared memory starts zeroed, which is every counter's and time's first value.
    FMemory = ::mmap(nullptr, FBytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (FMemory == MAP_FAILED) throw std::runtime_error("cannot map the generator's shared memory");
    auto* bytes = static_cast<unsigned char*>(FMemory);
    FShared = new (bytes) TShared;
    bytes += (sizeof(TShared) + 7) / 8 * 8;
    FRecordedAt = reinterpret_cast<std::atomic<std::int64_t>*>(bytes);
    bytes += times;
    FRecorded = reinterpret_cast<std::atomic<std::uint32_t>*>(bytes);
    bytes += counters;
    FAcknowledged = reinterpret_cast<std::atomic<std::uint32_t>*>(bytes);
}

TGeneratorLedger::~TGeneratorLedger() { ::munmap(FMemory, FBytes); }

std::atomic<std::uint32_t>& TGeneratorLedger::Recorded(int station) { return FRecorded[station]; }

std::atomic<std::uint32_t>& TGeneratorLedger::Acknowledged(int station) { return FAcknowledged[station]; }

std::uint64_t TGeneratorLedger::RecordedByAll() const {
    std::uint64_t total = 0;
    for (int station = 0; station < FStations; ++station) total += FRecorded[station].load(std::memory_order_relaxed);
    return total;
}

void TGeneratorLedger::SetRecordedAt(int station, std::uint32_t line, Clock::time_point time) {
    if (!IsTimed(station) || line >= std::uint32_t(FTimedLines)) return;
    FRecordedAt[std::size_t(station / FTimedStride) * std::size_t(FTimedLines) + line].store(
        std::chrono::duration_cast<std::chrono::nanoseconds>(time.time_since_epoch()).count(),
        std::memory_order_release);
}

std::optional<TGeneratorLedger::Clock::time_point> TGeneratorLedger::RecordedAt(int station, std::uint32_t line) const {
    if (!IsTimed(station) || line >= std::uint32_t(FTimedLines)) return std::nullopt;
    const std::int64_t ns =
        FRecordedAt[std::size_t(station / FTimedStride) * std::size_t(FTimedLines) + line].load(std::memory_order_acquire);
    if (ns == 0) return std::nullopt;
    return Clock::time_point(std::chrono::nanoseconds(ns));
}
