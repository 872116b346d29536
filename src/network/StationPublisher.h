#pragma once
// Publishes a recording station on its MQTT broker: status (retained, with "offline" as the
// last will), meta (retained), every archive line in numbered batches, and the filtered minute
// values.
//
// The archive is the buffer: the recording thread only tells which archive file got a line
// (a counter and, when the file changes, its name), and the publisher's own thread reads the
// lines back from the archive. So a dead broker, a slow link or a full send buffer never delays
// a line on its way to the archive, memory stays bounded during any outage, and what was not
// acknowledged when the station stopped (or was killed) is still on disk. How far the broker
// has acknowledged is kept beside the archive (ARCHIVE.position beside ARCHIVE/, replaced
// atomically); on connecting, every line after it is published again, oldest first, then the
// live ones. A collector that lost lines asks for them on the "resend" topic; the requests are
// merged and served one at a time, a rewind starting at most every MinRewindInterval, so that
// no peer can keep the station republishing its archive.
//
// Thread rule: LineRecorded and MinuteRecorded are for the recording thread and never block on
// the network; everything else runs on the publisher's own thread; the status listener is
// called on the thread of its context object, through PostCall.

#include "acquisition/DateTime.h"
#include "network/MqttLink.h"
#include "settings/NetworkSettings.h"
#include "network/Payloads.h"
#include "network/PublishPosition.h"

#include <QPointer>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

class QObject;

struct TPublisherOptions {
    TNetworkSettings Network;   // Broker set; StationId filled in (the IDC by default)
    std::string BaseDirectory;  // the folder holding ARCHIVE/ (the recording's working folder)
    TStationMeta Meta;          // its FromSeq is set to the run's first line
    std::string Version;        // the program's version, for the status
};

// The publisher's file of its acknowledged position.
inline constexpr const char* PublishPositionFile = "ARCHIVE.position";

class TStationPublisher {
public:
    static constexpr std::size_t MaxBatchLines = 250;
    static constexpr std::size_t MaxBatchesInFlight = 16;
    static constexpr std::size_t MaxMinutesQueued = 512;
    // However many collectors ask, the archive is read again at most this often.
    static constexpr auto MinRewindInterval = std::chrono::seconds(3);

    // Reads the position and counts the lines recorded after it; the thread starts here. Create
    // it before the run writes its first line.
    explicit TStationPublisher(TPublisherOptions options);
    // Stop(), with no time to drain.
    ~TStationPublisher();
    TStationPublisher(const TStationPublisher&) = delete;
    TStationPublisher& operator=(const TStationPublisher&) = delete;

    // A line was written to the archive file `archiveFileName` (as its writer names it).
    void LineRecorded(const std::string& archiveFileName);
    // A filtered value was written; dropped when the link is down (for dashboards only).
    void MinuteRecorded(TDateTime time, double x, double y, double z);

    // `listener` gets every change of the status on `context`'s thread (at most a few a
    // second), the current status first.
    void SetStatusListener(QObject* context, std::function<void(const TLinkStatus&)> listener);
    TLinkStatus Status() const;

    // Publishes what it can within `drain` while the link is up, says "offline", disconnects,
    // saves the position and ends the thread. Idempotent.
    void Stop(std::chrono::milliseconds drain = std::chrono::milliseconds(0));

    // The sequence number the next recorded line will get.
    std::uint64_t NextSeq() const;

private:
    struct TCursor {
        std::size_t File = 0;  // index into FFiles
        std::uint64_t Offset = 0;
        std::uint64_t Seq = 0;
    };
    struct TFileEntry {
        std::string Name;
        std::optional<std::uint64_t> FirstSeq;
    };
    struct TInFlight;

    void LoadPosition();
    void Run();
    void TakeHandOvers();
    bool ConnectOnce();
    void OnConnected();
    void LinkLost(const std::string& reason);
    void CollectAcknowledgements();
    void PublishLines();
    std::optional<TLinesBatch> ReadBatch(TCursor& cursor);
    void ServeResend();
    void Rewind(std::uint64_t seq);
    std::uint64_t OldestSeq() const;
    void PublishMinutes();
    void SavePosition(bool now);
    void ReportStatus(bool force = false);
    void SetState(TLinkStatus::TState state, const std::string& reason);
    void WaitFor(std::chrono::milliseconds time);
    void Goodbye(std::chrono::milliseconds drain);
    std::string Full(const std::string& name) const;
    std::string Topic(const char* kind) const;

    const TPublisherOptions FOptions;
    std::string FMetaPayload;

    // Handed over under FLock.
    mutable std::mutex FLock;
    std::condition_variable FWake;
    bool FWoken = false;
    bool FStopRequested = false;
    std::chrono::milliseconds FDrain{0};
    std::vector<std::string> FNewFiles;
    std::string FLastHandedFile;
    std::uint64_t FLinesRecorded = 0;
    std::deque<std::string> FMinutes;
    std::optional<std::uint64_t> FResendFrom;
    std::optional<std::string> FLostReason;
    TLinkStatus FStatus;
    QPointer<QObject> FListenerContext;
    std::function<void(const TLinkStatus&)> FListener;
    TLinkStatus FReported;
    std::chrono::steady_clock::time_point FReportedAt{};

    // The publisher's thread only.
    std::vector<TFileEntry> FFiles;
    TCursor FCursor;
    TCursor FAcked;
    std::optional<std::uint64_t> FDropBefore;  // after a rewind into a file: lines before are skipped
    std::string FNumbering;  // the identity of this station's numbering, kept in its position
    // Resend requests merged into one (the oldest line asked for), served one rewind at a time.
    std::optional<std::uint64_t> FPendingResend;
    std::uint64_t FRewindEnd = 0;  // a rewind is served once the cursor is back here
    std::chrono::steady_clock::time_point FNextRewindAt{};
    std::uint64_t FRecordedBefore = 0;  // lines in the archive after the start position
    std::deque<TInFlight> FInFlight;
    std::unique_ptr<TMqttLink> FLink;
    std::string FPassword;
    bool FConnected = false;
    bool FEverConnected = false;
    std::chrono::steady_clock::time_point FPausedUntil{};
    TMqttLink::TTokenPtr FResendSubscription;
    bool FResendRefusalLogged = false;
    bool FPositionDirty = false;
    std::chrono::steady_clock::time_point FSavedAt{};
    std::atomic<std::uint64_t> FAckedSeq{0};  // FAcked.Seq, for the status on other threads
    std::uint64_t FStartSeq = 0;  // the acknowledged position at start

    std::thread FThread;
};
