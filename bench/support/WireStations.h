#pragma once
// Thousands of simulated stations on one thread, each behaving on the wire as a station's
// publisher does, over its own TCP connection to the broker (MQTT 3.1.1, non-blocking sockets,
// epoll), so that a network of 10,000 stations fits in one process without a client library:
//
// - CONNECT as "orvant3k-<station>" with the offline status as retained QoS 1 last will, and a
//   PINGREQ whenever the keep-alive would otherwise lapse;
// - at each connection the retained status (online, numbering, next line, oldest 0) and meta,
//   and the subscription to its own resend topic;
// - one line a second, the stations' lines spread evenly over the second, each published at once
//   as a QoS 1 lines batch; at most 16 unacknowledged batches, of at most 250 lines each;
// - resend requests merged and served as a rewind of the cursor, one at a time and at most one
//   every 3 s; a lost connection is tried again after a back-off (0.25 s doubling to 4 s) and
//   publishes again from the last acknowledged line.
//
// A line is computed from its number (WireStationLine), so a station keeps no lines, only its
// counters.

#include "GeneratorLedger.h"

#include "network/Payloads.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Line `index` of every simulated station: one a second from 1 January 2024, 00:00:00.
std::string WireStationLine(std::uint32_t index);

struct TWireStationsOptions {
    int Port = 1883;  // on 127.0.0.1
    std::string Prefix = "orvant3k/v1";
    int First = 0;  // the stations First .. First + Count - 1 of the ledger's, named "S<n>"
    int Count = 0;
    TStationMeta Meta;  // Station is each station's name
    std::string Version = "bench";
    // Station n of the ledger connects first at ConnectStart + ConnectSpread * n / stations, and
    // records line k at LinesStart + k s + n / stations s.
    std::chrono::steady_clock::time_point ConnectStart;
    std::chrono::steady_clock::duration ConnectSpread{};
    std::chrono::steady_clock::time_point LinesStart;
    // However many stations wait for a (re)connection, no more new connections a second than
    // this, so that the broker's accept queue never overflows.
    int ConnectsPerSecond = 2000;
};

class TWireStations {
public:
    TWireStations(TWireStationsOptions options, TGeneratorLedger& ledger);
    ~TWireStations();
    TWireStations(const TWireStations&) = delete;
    TWireStations& operator=(const TWireStations&) = delete;

    // Until the ledger says stop.
    void Run();

private:
    struct TStation;
    using Clock = std::chrono::steady_clock;

    void RecordDueLines(Clock::time_point now);
    void Sweep(Clock::time_point now);
    void StartConnecting(TStation& station, Clock::time_point now);
    void OnWritable(TStation& station, Clock::time_point now);
    void OnReadable(TStation& station, Clock::time_point now);
    void OnConnAck(TStation& station, std::uint8_t returnCode, Clock::time_point now);
    void OnPubAck(TStation& station, std::uint16_t packetId);
    void OnMessage(TStation& station, const std::string& topic, const std::string& payload, Clock::time_point now);
    void PublishLines(TStation& station);
    void ServeResend(TStation& station, Clock::time_point now);
    void Lost(TStation& station, Clock::time_point now);
    void Send(TStation& station);
    void Flush(TStation& station, Clock::time_point now);
    void WatchOutput(TStation& station, bool output);
    std::uint16_t NextPacketId(TStation& station);
    std::string Topic(const TStation& station, const char* kind) const;

    const TWireStationsOptions FOptions;
    TGeneratorLedger& FLedger;
    int FEpoll = -1;
    std::vector<std::unique_ptr<TStation>> FStations;
    std::vector<TStation*> FToFlush;
    std::vector<TStation*> FWaitingToConnect;  // first come, first connected
    std::size_t FNextToConnect = 0;
    double FConnectTokens = 0;
    Clock::time_point FTokensAt;
    std::uint32_t FLineRound = 0;  // the next line to record: line FLineRound of station FLineStation
    int FLineStation = 0;
    Clock::time_point FNextSweep;
    std::string FReadBuffer;
};
