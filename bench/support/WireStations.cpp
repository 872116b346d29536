#include "WireStations.h"

#include "MqttPackets.h"

#include "instrument/InstrumentLine.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <stdexcept>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

// As the station's publisher and its link.
constexpr std::size_t MaxBatchLines = 250;
constexpr std::size_t MaxBatchesInFlight = 16;
constexpr auto MinRewindInterval = 3s;
constexpr auto FirstRetry = 250ms;
constexpr auto LastRetry = 4s;
constexpr auto ConnectTimeout = 5s;
constexpr std::uint16_t KeepAliveSeconds = 10;

constexpr auto SweepInterval = 100ms;
constexpr std::size_t ReadChunk = 64 * 1024;

}  // namespace

std::string WireStationLine(std::uint32_t index) {
    return FormatInstrumentLine(EncodeDateTime(2024, 1, 1, 0, 0, 0) + index / SecondsPerDay,
                                {21000.0 + index % 100, -1200, 45000, 20.5, 19.5});
}

struct TWireStations::TStation {
    enum class TState { Idle, Connecting, AwaitingConnAck, Up };

    int Index = 0;  // in the ledger
    std::string Name;
    std::string Numbering;
    int Socket = -1;
    TState State = TState::Idle;
    bool WatchingOutput = false;
    bool QueuedToFlush = false;
    bool QueuedToConnect = false;
    std::string In, Out;

    std::uint32_t Recorded = 0;
    std::uint32_t Cursor = 0;     // the next line to publish
    std::uint32_t Acked = 0;      // every line before it acknowledged
    std::uint32_t EverSent = 0;   // lines before it were published at least once
    struct TInFlight {
        std::uint16_t PacketId;
        std::uint32_t End;  // the line after the batch
        bool Done;
    };
    std::vector<TInFlight> InFlight;
    std::uint16_t PacketId = 0;

    std::optional<std::uint32_t> PendingResend;
    std::uint32_t RewindEnd = 0;
    Clock::time_point NextRewindAt{};

    Clock::time_point RetryAt{};
    Clock::duration Backoff = FirstRetry;
    Clock::time_point ConnectingSince{};
    Clock::time_point LastSent{}, LastReceived{};
    bool PingOutstanding = false;
};

TWireStations::TWireStations(TWireStationsOptions options, TGeneratorLedger& ledger)
    : FOptions(std::move(options)), FLedger(ledger), FReadBuffer(ReadChunk, '\0') {
    FEpoll = ::epoll_create1(EPOLL_CLOEXEC);
    if (FEpoll < 0) throw std::runtime_error("cannot create an epoll instance");
    const int total = ledger.Stations();
    for (int local = 0; local < FOptions.Count; ++local) {
        auto station = std::make_unique<TStation>();
        station->Index = FOptions.First + local;
        station->Name = "S" + std::to_string(station->Index);
        station->Numbering = NewNumberingId();
        station->InFlight.reserve(MaxBatchesInFlight);
        station->RetryAt = FOptions.ConnectStart + FOptions.ConnectSpread * station->Index / std::max(1, total);
        FStations.push_back(std::move(station));
    }
    FTokensAt = Clock::now();
}

TWireStations::~TWireStations() {
    for (const auto& station : FStations)
        if (station->Socket >= 0) ::close(station->Socket);
    ::close(FEpoll);
}

std::string TWireStations::Topic(const TStation& station, const char* kind) const {
    return Topics::Of(FOptions.Prefix, station.Name, kind);
}

void TWireStations::Run() {
    std::vector<epoll_event> events(1024);
    FNextSweep = Clock::now();
    while (!FLedger.Shared().Stop.load(std::memory_order_relaxed)) {
        const auto before = Clock::now();
        // Wake for the next line due, but never sleep past the next sweep.
        auto wake = FNextSweep;
        if (FOptions.Count > 0 && FLineRound < FLedger.Shared().LineLimit.load(std::memory_order_relaxed))
            wake = std::min(wake, FOptions.LinesStart + std::chrono::seconds(FLineRound) +
                                      std::chrono::seconds(1) * (FOptions.First + FLineStation) / FLedger.Stations());
        if (!FWaitingToConnect.empty() && FNextToConnect < FWaitingToConnect.size()) wake = std::min(wake, before + 1ms);
        const int timeout =
            wake <= before ? 0 : int(std::chrono::ceil<std::chrono::milliseconds>(wake - before).count());
        const int ready = ::epoll_wait(FEpoll, events.data(), int(events.size()), timeout);
        const auto now = Clock::now();
        for (int e = 0; e < ready; ++e) {
            TStation& station = *FStations[events[e].data.u32];
            const std::uint32_t flags = events[e].events;
            if (station.State == TStation::TState::Connecting) {
                if (flags & (EPOLLOUT | EPOLLERR | EPOLLHUP)) OnWritable(station, now);
                continue;
            }
            if (flags & (EPOLLIN | EPOLLERR | EPOLLHUP)) OnReadable(station, now);
            if (station.Socket >= 0 && (flags & EPOLLOUT)) Flush(station, now);
        }
        RecordDueLines(now);
        if (now >= FNextSweep) {
            Sweep(now);
            FNextSweep = now + SweepInterval;
        }
        // Connections: as many as the rate allows since the last ones.
        FConnectTokens = std::min(double(FOptions.ConnectsPerSecond) / 100.0 + 1,
                                  FConnectTokens + std::chrono::duration<double>(now - FTokensAt).count() *
                                                       FOptions.ConnectsPerSecond);
        FTokensAt = now;
        while (FConnectTokens >= 1 && FNextToConnect < FWaitingToConnect.size()) {
            TStation& station = *FWaitingToConnect[FNextToConnect++];
            station.QueuedToConnect = false;
            FConnectTokens -= 1;
            StartConnecting(station, now);
        }
        if (FNextToConnect == FWaitingToConnect.size()) {
            FWaitingToConnect.clear();
            FNextToConnect = 0;
        }
        for (std::size_t i = 0; i < FToFlush.size(); ++i) {
            FToFlush[i]->QueuedToFlush = false;
            if (FToFlush[i]->Socket >= 0) Flush(*FToFlush[i], now);
        }
        FToFlush.clear();
    }
}

void TWireStations::RecordDueLines(Clock::time_point now) {
    const std::uint32_t limit = FLedger.Shared().LineLimit.load(std::memory_order_relaxed);
    const int total = FLedger.Stations();
    while (FOptions.Count > 0 && FLineRound < limit) {
        const auto due = FOptions.LinesStart + std::chrono::seconds(FLineRound) +
                         std::chrono::seconds(1) * (FOptions.First + FLineStation) / total;
        if (due > now) break;
        TStation& station = *FStations[std::size_t(FLineStation)];
        FLedger.SetRecordedAt(station.Index, station.Recorded, now);
        ++station.Recorded;
        FLedger.Recorded(station.Index).store(station.Recorded, std::memory_order_relaxed);
        if (station.State == TStation::TState::Up) PublishLines(station);
        if (++FLineStation == FOptions.Count) {
            FLineStation = 0;
            ++FLineRound;
        }
    }
}

void TWireStations::Sweep(Clock::time_point now) {
    for (const auto& owned : FStations) {
        TStation& station = *owned;
        switch (station.State) {
            case TStation::TState::Idle:
                if (now >= station.RetryAt && !station.QueuedToConnect) {
                    station.QueuedToConnect = true;
                    FWaitingToConnect.push_back(&station);
                }
                break;
            case TStation::TState::Connecting:
            case TStation::TState::AwaitingConnAck:
                if (now - station.ConnectingSince > ConnectTimeout) Lost(station, now);
                break;
            case TStation::TState::Up:
                // As the client library: a ping when nothing went out for the keep-alive
                // interval, the connection given up when the broker does not answer one.
                if (station.PingOutstanding && now - station.LastReceived > std::chrono::seconds(KeepAliveSeconds)) {
                    Lost(station, now);
                    break;
                }
                if (!station.PingOutstanding && (now - station.LastSent >= std::chrono::seconds(KeepAliveSeconds) - 1s ||
                                                 now - station.LastReceived >= std::chrono::seconds(KeepAliveSeconds))) {
                    MqttPackets::AppendPingRequest(station.Out);
                    station.PingOutstanding = true;
                    Send(station);
                }
                ServeResend(station, now);
                break;
        }
    }
}

void TWireStations::StartConnecting(TStation& station, Clock::time_point now) {
    station.ConnectingSince = now;
    const int handle = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (handle < 0) {
        Lost(station, now);
        return;
    }
    const int on = 1;
    ::setsockopt(handle, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(std::uint16_t(FOptions.Port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    station.Socket = handle;
    station.State = TStation::TState::Connecting;
    epoll_event event{};
    event.events = EPOLLOUT;
    event.data.u32 = std::uint32_t(station.Index - FOptions.First);
    ::epoll_ctl(FEpoll, EPOLL_CTL_ADD, handle, &event);
    station.WatchingOutput = true;
    if (::connect(handle, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 && errno != EINPROGRESS) {
        Lost(station, now);
        return;
    }
    // Connected at once or not: the first EPOLLOUT says it is done either way.
}

void TWireStations::OnWritable(TStation& station, Clock::time_point now) {
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(station.Socket, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) {
        Lost(station, now);
        return;
    }
    station.State = TStation::TState::AwaitingConnAck;
    station.In.clear();
    station.Out.clear();
    MqttPackets::AppendConnect(station.Out, "orvant3k-" + station.Name, KeepAliveSeconds,
                               {Topic(station, Topics::Status), EncodeStatus(false, FOptions.Version)});
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.u32 = std::uint32_t(station.Index - FOptions.First);
    ::epoll_ctl(FEpoll, EPOLL_CTL_MOD, station.Socket, &event);
    station.WatchingOutput = false;
    Flush(station, now);
}

void TWireStations::OnReadable(TStation& station, Clock::time_point now) {
    for (;;) {
        const ssize_t got = ::recv(station.Socket, FReadBuffer.data(), FReadBuffer.size(), 0);
        if (got > 0) {
            station.In.append(FReadBuffer.data(), std::size_t(got));
            if (std::size_t(got) < FReadBuffer.size()) break;
            continue;
        }
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        if (got < 0 && errno == EINTR) continue;
        Lost(station, now);  // closed by the broker, or failed
        return;
    }
    station.LastReceived = now;
    std::size_t at = 0;
    MqttPackets::TPacket packet;
    for (;;) {
        const MqttPackets::TTake take = MqttPackets::TakePacket(station.In, at, packet);
        if (take == MqttPackets::TTake::NeedMore) break;
        if (take == MqttPackets::TTake::Malformed) {
            FLedger.Shared().Malformed.fetch_add(1, std::memory_order_relaxed);
            Lost(station, now);
            return;
        }
        switch (static_cast<MqttPackets::TKind>(packet.Type)) {
            case MqttPackets::TKind::ConnAck:
                OnConnAck(station, packet.ReturnCode, now);
                break;
            case MqttPackets::TKind::PubAck:
                OnPubAck(station, packet.PacketId);
                break;
            case MqttPackets::TKind::Publish:
                if (packet.Qos > 0) {
                    MqttPackets::AppendPubAck(station.Out, packet.PacketId);
                    Send(station);
                }
                OnMessage(station, packet.Topic, packet.Payload, now);
                break;
            case MqttPackets::TKind::PingResp:
                station.PingOutstanding = false;
                break;
            case MqttPackets::TKind::SubAck:
            default:
                break;
        }
        if (station.Socket < 0) return;  // lost while answering
    }
    station.In.erase(0, at);
}

void TWireStations::OnConnAck(TStation& station, std::uint8_t returnCode, Clock::time_point now) {
    if (station.State != TStation::TState::AwaitingConnAck || returnCode != 0) {
        Lost(station, now);
        return;
    }
    station.State = TStation::TState::Up;
    station.Backoff = FirstRetry;
    station.PingOutstanding = false;
    FLedger.Shared().Connections.fetch_add(1, std::memory_order_relaxed);
    // Whatever was in flight on an old connection is sent again from the acknowledged line.
    station.InFlight.clear();
    station.Cursor = station.Acked;
    MqttPackets::AppendPublish(station.Out, Topic(station, Topics::Status),
                               EncodeStatus(true, FOptions.Version, TStationProgress{station.Numbering, station.Recorded, 0}),
                               1, true, NextPacketId(station));
    TStationMeta meta = FOptions.Meta;
    meta.Station = station.Name;
    meta.FromSeq = 0;  // the run's first line: a simulated station records from its first line on
    MqttPackets::AppendPublish(station.Out, Topic(station, Topics::Meta), EncodeMeta(meta), 1, true, NextPacketId(station));
    MqttPackets::AppendSubscribe(station.Out, NextPacketId(station), Topic(station, Topics::Resend), 1);
    Send(station);
    PublishLines(station);
}

void TWireStations::OnPubAck(TStation& station, std::uint16_t packetId) {
    for (auto& batch : station.InFlight)
        if (batch.PacketId == packetId) batch.Done = true;
    // In order: the acknowledged line only moves over a run of acknowledged batches.
    std::size_t done = 0;
    while (done < station.InFlight.size() && station.InFlight[done].Done) {
        station.Acked = std::max(station.Acked, station.InFlight[done].End);
        ++done;
    }
    if (done == 0) return;
    station.InFlight.erase(station.InFlight.begin(), station.InFlight.begin() + long(done));
    FLedger.Acknowledged(station.Index).store(station.Acked, std::memory_order_relaxed);
    PublishLines(station);
}

void TWireStations::OnMessage(TStation& station, const std::string& topic, const std::string& payload,
                              Clock::time_point now) {
    if (topic != Topic(station, Topics::Resend)) return;
    const auto from = DecodeResend(payload);
    FLedger.Shared().ResendsAsked.fetch_add(1, std::memory_order_relaxed);
    // Nothing beyond the lines recorded can be sent again.
    if (!from || *from >= station.Recorded) return;
    const auto asked = std::uint32_t(*from);
    station.PendingResend = station.PendingResend ? std::min(*station.PendingResend, asked) : asked;
    ServeResend(station, now);
}

void TWireStations::ServeResend(TStation& station, Clock::time_point now) {
    if (!station.PendingResend || station.State != TStation::TState::Up) return;
    if (station.Cursor < station.RewindEnd || now < station.NextRewindAt) return;  // one rewind at a time
    const std::uint32_t from = *station.PendingResend;
    station.PendingResend.reset();
    if (from >= station.Cursor) return;  // those lines are on their way anyway
    station.RewindEnd = station.Cursor;
    station.NextRewindAt = now + MinRewindInterval;
    station.InFlight.clear();
    station.Cursor = from;
    FLedger.Shared().ResendsServed.fetch_add(1, std::memory_order_relaxed);
    PublishLines(station);
}

void TWireStations::PublishLines(TStation& station) {
    bool sent = false;
    while (station.InFlight.size() < MaxBatchesInFlight && station.Cursor < station.Recorded) {
        TLinesBatch batch;
        batch.Seq = station.Cursor;
        batch.Numbering = station.Numbering;
        const std::uint32_t end = std::min<std::uint32_t>(station.Recorded, station.Cursor + MaxBatchLines);
        for (std::uint32_t line = station.Cursor; line < end; ++line) batch.Lines.push_back(WireStationLine(line));
        const std::uint16_t packetId = NextPacketId(station);
        MqttPackets::AppendPublish(station.Out, Topic(station, Topics::Lines), EncodeLinesBatch(batch), 1, false, packetId);
        station.InFlight.push_back({packetId, end, false});
        FLedger.Shared().LinesPublished.fetch_add(end - station.Cursor, std::memory_order_relaxed);
        if (station.Cursor < station.EverSent)
            FLedger.Shared().LinesRepublished.fetch_add(std::min(end, station.EverSent) - station.Cursor,
                                                        std::memory_order_relaxed);
        station.EverSent = std::max(station.EverSent, end);
        station.Cursor = end;
        sent = true;
    }
    if (sent) Send(station);
}

std::uint16_t TWireStations::NextPacketId(TStation& station) {
    if (++station.PacketId == 0) station.PacketId = 1;  // 0 is no packet identifier
    return station.PacketId;
}

void TWireStations::Lost(TStation& station, Clock::time_point now) {
    (station.State == TStation::TState::Up ? FLedger.Shared().Losses : FLedger.Shared().ConnectsFailed)
        .fetch_add(1, std::memory_order_relaxed);
    if (station.Socket >= 0) ::close(station.Socket);  // which also takes it out of the epoll set
    station.Socket = -1;
    station.State = TStation::TState::Idle;
    station.WatchingOutput = false;
    station.In.clear();
    station.Out.clear();
    station.InFlight.clear();
    station.Cursor = station.Acked;
    station.RetryAt = now + station.Backoff;
    station.Backoff = std::min<Clock::duration>(station.Backoff * 2, LastRetry);
}

void TWireStations::Send(TStation& station) {
    if (station.QueuedToFlush) return;
    station.QueuedToFlush = true;
    FToFlush.push_back(&station);
}

void TWireStations::Flush(TStation& station, Clock::time_point now) {
    std::size_t written = 0;
    while (written < station.Out.size()) {
        const ssize_t sent = ::send(station.Socket, station.Out.data() + written, station.Out.size() - written,
                                    MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent > 0) {
            written += std::size_t(sent);
            continue;
        }
        if (sent < 0 && errno == EINTR) continue;
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        Lost(station, now);
        return;
    }
    if (written > 0) station.LastSent = now;
    station.Out.erase(0, written);
    WatchOutput(station, !station.Out.empty());
}

void TWireStations::WatchOutput(TStation& station, bool output) {
    if (station.WatchingOutput == output) return;
    epoll_event event{};
    event.events = EPOLLIN | (output ? EPOLLOUT : 0u);
    event.data.u32 = std::uint32_t(station.Index - FOptions.First);
    ::epoll_ctl(FEpoll, EPOLL_CTL_MOD, station.Socket, &event);
    station.WatchingOutput = output;
}
