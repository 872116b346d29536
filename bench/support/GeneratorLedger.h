#pragma once
// What a station generator tells the bench that runs it, in memory shared with its forked
// processes: lines recorded and acknowledged per station, when each line of the timed stations
// was recorded (for latency), and counts of the wire's events. The bench steers it through the
// same memory: the last line to record, and the stop.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>

class TGeneratorLedger {
public:
    using Clock = std::chrono::steady_clock;

    // `timedStations` stations, spread evenly over all, keep the time of each of their first
    // `timedLines` lines.
    TGeneratorLedger(int stations, int timedStations, int timedLines);
    ~TGeneratorLedger();
    TGeneratorLedger(const TGeneratorLedger&) = delete;
    TGeneratorLedger& operator=(const TGeneratorLedger&) = delete;

    int Stations() const { return FStations; }

    // Lines a station has recorded so far, and how many of its first lines the broker has
    // acknowledged.
    std::atomic<std::uint32_t>& Recorded(int station);
    std::atomic<std::uint32_t>& Acknowledged(int station);
    std::uint64_t RecordedByAll() const;

    bool IsTimed(int station) const { return station % FTimedStride == 0 && station / FTimedStride < FTimedStations; }
    // The timed stations, in order.
    int TimedStations() const { return FTimedStations; }
    int TimedStation(int index) const { return index * FTimedStride; }
    void SetRecordedAt(int station, std::uint32_t line, Clock::time_point time);
    std::optional<Clock::time_point> RecordedAt(int station, std::uint32_t line) const;

    // Shared between the bench and every generator process.
    struct TShared {
        std::atomic<bool> Stop{false};
        std::atomic<std::uint32_t> LineLimit{0};  // no station records a line from this number on
        std::atomic<std::uint64_t> Connections{0};     // CONNACKs accepted
        std::atomic<std::uint64_t> Losses{0};          // established connections lost
        std::atomic<std::uint64_t> ConnectsFailed{0};  // attempts refused, timed out or failed
        std::atomic<std::uint64_t> LinesPublished{0};  // lines in lines batches, sent again included
        std::atomic<std::uint64_t> LinesRepublished{0};  // of those, lines sent before
        std::atomic<std::uint64_t> ResendsServed{0};   // rewinds for a collector's request
        std::atomic<std::uint64_t> ResendsAsked{0};
        std::atomic<std::uint64_t> Malformed{0};       // streams from the broker that were not MQTT
    };
    TShared& Shared() { return *FShared; }

private:
    int FStations;
    int FTimedStations;
    int FTimedStride;
    int FTimedLines;
    std::size_t FBytes = 0;
    void* FMemory = nullptr;
    TShared* FShared = nullptr;
    std::atomic<std::uint32_t>* FRecorded = nullptr;
    std::atomic<std::uint32_t>* FAcknowledged = nullptr;
    std::atomic<std::int64_t>* FRecordedAt = nullptr;  // steady clock in ns, 0: not yet
};
