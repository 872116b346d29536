#include "network/StationPublisher.h"

#include "acquisition/HandOff.h"
#include "network/ArchiveFiles.h"
#include "recording/AtomicFile.h"
#include "network/PasswordFile.h"

#include <QObject>

#include <mqtt/delivery_token.h>

#include <algorithm>

namespace {

using namespace std::chrono_literals;
using TState = TLinkStatus::TState;

constexpr auto ConnectTimeout = 5s;
constexpr auto FirstRetry = 250ms;
constexpr auto LastRetry = 4s;
constexpr auto PositionSaveInterval = 1s;
constexpr auto StatusReportInterval = 250ms;
constexpr auto RefusedPause = 5s;
constexpr std::size_t KeptFileStarts = 2000;

}  // namespace

struct TStationPublisher::TInFlight {
    TMqttLink::TTokenPtr Token;
    TCursor End;  // the position after the batch
};

TStationPublisher::TStationPublisher(TPublisherOptions options) : FOptions(std::move(options)) {
    LoadPosition();
    // The description holds from the run's first line on: the one after what the archive holds.
    TStationMeta meta = FOptions.Meta;
    meta.FromSeq = FStartSeq + FRecordedBefore;
    FMetaPayload = EncodeMeta(meta);
    FThread = std::thread([this] { Run(); });
}

TStationPublisher::~TStationPublisher() { Stop(); }

std::string TStationPublisher::Full(const std::string& name) const {
    return FOptions.BaseDirectory.empty() ? name : FOptions.BaseDirectory + "/" + name;
}

std::string TStationPublisher::Topic(const char* kind) const {
    return Topics::Of(FOptions.Network.TopicPrefix, FOptions.Network.StationId, kind);
}

void TStationPublisher::LoadPosition() {
    const auto saved = ParsePublishPosition(ReadSmallFile(Full(PublishPositionFile)));
    // A numbering from 0 is a new one (first run with publishing, or a lost position file).
    FNumbering = saved && IsNumberingId(saved->Numbering) ? saved->Numbering : NewNumberingId();
    if (!saved) return;
    // A position of an earlier version goes on under the identity chosen now: kept before it is
    // published, or a restart would choose another and look like a numbering anew.
    if (saved->Numbering != FNumbering) FPositionDirty = true;
    for (const auto& start : saved->Files) {
        if (!ArchiveOrderLess(start.File, saved->File) && start.File != saved->File) break;
        FFiles.push_back({start.File, start.FirstSeq});
    }
    if (FFiles.empty() || FFiles.back().Name != saved->File) FFiles.push_back({saved->File, {}});
    FAcked = {FFiles.size() - 1, saved->Offset, saved->Seq};
    // What was recorded after the position: the rest of its file and every later file, by the
    // order the archive writer names them in.
    std::uint64_t after = CountLinesFrom(Full(saved->File), saved->Offset);
    const std::string root = Full("ARCHIVE");
    for (const std::string& path : ListArchiveFiles(root)) {
        const std::string name = "ARCHIVE" + path.substr(root.size());
        if (!ArchiveOrderLess(saved->File, name)) continue;
        FFiles.push_back({name, {}});
        after += CountLinesFrom(path, 0);
    }
    FCursor = FAcked;
    FAckedSeq = FAcked.Seq;
    FStartSeq = FAcked.Seq;
    FRecordedBefore = after;
}

std::uint64_t TStationPublisher::NextSeq() const {
    std::lock_guard<std::mutex> lock(FLock);
    return FStartSeq + FRecordedBefore + FLinesRecorded;
}

void TStationPublisher::LineRecorded(const std::string& archiveFileName) {
    {
        std::lock_guard<std::mutex> lock(FLock);
        if (archiveFileName != FLastHandedFile) {
            FLastHandedFile = archiveFileName;
            FNewFiles.push_back(archiveFileName);
        }
        ++FLinesRecorded;
        FWoken = true;
    }
    FWake.notify_one();
}

void TStationPublisher::MinuteRecorded(TDateTime time, double x, double y, double z) {
    const std::string payload = EncodeMinute(time, x, y, z);
    {
        std::lock_guard<std::mutex> lock(FLock);
        if (FMinutes.size() >= MaxMinutesQueued) FMinutes.pop_front();
        FMinutes.push_back(payload);
        FWoken = true;
    }
    FWake.notify_one();
}

void TStationPublisher::SetStatusListener(QObject* context,
                                          std::function<void(const TLinkStatus&)> listener) {
    {
        std::lock_guard<std::mutex> lock(FLock);
        FListenerContext = context;
        FListener = std::move(listener);
        FReportedAt = {};
    }
    ReportStatus(true);
}

TLinkStatus TStationPublisher::Status() const {
    std::lock_guard<std::mutex> lock(FLock);
    return FStatus;
}

void TStationPublisher::Stop(std::chrono::milliseconds drain) {
    {
        std::lock_guard<std::mutex> lock(FLock);
        FStopRequested = true;
        FDrain = drain;
        FWoken = true;
    }
    FWake.notify_one();
    if (FThread.joinable()) FThread.join();
}

void TStationPublisher::WaitFor(std::chrono::milliseconds time) {
    std::unique_lock<std::mutex> lock(FLock);
    FWake.wait_for(lock, time, [this] { return FWoken || FStopRequested; });
    FWoken = false;
}

void TStationPublisher::TakeHandOvers() {
    std::vector<std::string> files;
    std::optional<std::uint64_t> resend;
    std::optional<std::string> lost;
    {
        std::lock_guard<std::mutex> lock(FLock);
        files.swap(FNewFiles);
        resend.swap(FResendFrom);
        lost.swap(FLostReason);
    }
    for (std::string& name : files) {
        // The writer hands a file over once; the start-up listing may already hold it.
        const bool known = std::any_of(FFiles.rbegin(), FFiles.rbegin() + std::min<std::size_t>(FFiles.size(), 4),
                                       [&name](const TFileEntry& entry) { return entry.Name == name; });
        if (!known) FFiles.push_back({std::move(name), {}});
    }
    if (lost && FConnected) LinkLost(*lost);
    if (resend) FPendingResend = FPendingResend ? std::min(*FPendingResend, *resend) : *resend;
    ServeResend();
}

void TStationPublisher::ServeResend() {
    if (!FPendingResend || !FConnected) return;
    const auto now = std::chrono::steady_clock::now();
    if (FCursor.Seq < FRewindEnd || now < FNextRewindAt) return;  // one rewind at a time
    const std::uint64_t from = *FPendingResend;
    FPendingResend.reset();
    if (from >= FCursor.Seq) return;  // those lines are on their way anyway
    FRewindEnd = FCursor.Seq;
    FNextRewindAt = now + MinRewindInterval;
    Rewind(from);
}

std::uint64_t TStationPublisher::OldestSeq() const {
    for (const TFileEntry& entry : FFiles)
        if (entry.FirstSeq) return std::min(*entry.FirstSeq, FAcked.Seq);
    return FAcked.Seq;
}

void TStationPublisher::SetState(TState state, const std::string& reason) {
    {
        std::lock_guard<std::mutex> lock(FLock);
        FStatus.State = state;
        FStatus.Reason = reason;
    }
    ReportStatus();
}

void TStationPublisher::ReportStatus(bool force) {
    std::function<void(const TLinkStatus&)> listener;
    QPointer<QObject> context;
    TLinkStatus status;
    {
        std::lock_guard<std::mutex> lock(FLock);
        FStatus.Waiting = static_cast<long long>(FStartSeq + FRecordedBefore + FLinesRecorded) -
                          static_cast<long long>(FAckedSeq.load());
        status = FStatus;
        const auto now = std::chrono::steady_clock::now();
        if (!FListener || !FListenerContext) return;
        const bool changed = !status.SameState(FReported);
        if (!force && !changed &&
            (status.Waiting == FReported.Waiting || now - FReportedAt < StatusReportInterval))
            return;
        FReported = status;
        FReportedAt = now;
        listener = FListener;
        context = FListenerContext;
    }
    PostCall(context.data(), [listener, status] { listener(status); });
}

void TStationPublisher::Run() {
    auto retry = std::chrono::milliseconds(FirstRetry);
    std::string refused = FOptions.Network.Refused;
    if (refused.empty() &&
        (!IsValidStationId(FOptions.Network.StationId) || !FOptions.Network.Username.empty())) {
        try {
            // A "/" or "+" in the id would put the station's lines under topics no collector reads.
            if (!IsValidStationId(FOptions.Network.StationId))
                throw ENetworkSettingError("the station id \"" + FOptions.Network.StationId +
                                           "\" cannot name topics: use " + StationIdRule);
            FPassword = ReadPasswordFile(FOptions.Network.PasswordFile);
        } catch (const ENetworkSettingError& error) {
            refused = error.what();
        }
    }
    if (!refused.empty()) {
        SetState(TState::Off, refused);
        // Nothing to do without safe settings until the run ends.
        std::unique_lock<std::mutex> lock(FLock);
        FWake.wait(lock, [this] { return FStopRequested; });
        return;
    }
    SavePosition(true);
    SetState(TState::Connecting, "");
    for (;;) {
        TakeHandOvers();
        {
            std::lock_guard<std::mutex> lock(FLock);
            if (FStopRequested) break;
        }
        if (!FConnected) {
            if (!ConnectOnce()) {
                WaitFor(retry);
                retry = std::min(retry * 2, std::chrono::milliseconds(LastRetry));
                continue;
            }
            retry = FirstRetry;
        }
        CollectAcknowledgements();
        if (FConnected) PublishLines();
        if (FConnected) PublishMinutes();
        SavePosition(false);
        ReportStatus();
        WaitFor(250ms);
    }
    std::chrono::milliseconds drain;
    {
        std::lock_guard<std::mutex> lock(FLock);
        drain = FDrain;
    }
    Goodbye(drain);
}

bool TStationPublisher::ConnectOnce() {
    try {
        if (!FLink) {
            const TNetworkSettings& network = FOptions.Network;
            TLinkEndpoint endpoint;
            endpoint.Host = network.Broker;
            endpoint.Port = network.EffectivePort();
            endpoint.Tls = network.Tls;
            endpoint.CAFile = network.CAFile;
            endpoint.Username = network.Username;
            endpoint.Password = FPassword;
            endpoint.ClientId = "orvant3k-" + network.StationId;
            endpoint.WillTopic = Topic(Topics::Status);
            endpoint.WillPayload = EncodeStatus(false, FOptions.Version);
            FLink = std::make_unique<TMqttLink>(endpoint);
            FLink->OnLost = [this](const std::string& reason) {
                {
                    std::lock_guard<std::mutex> lock(FLock);
                    FLostReason = reason;
                    FWoken = true;
                }
                FWake.notify_one();
            };
            FLink->OnDelivery = [this] {
                {
                    std::lock_guard<std::mutex> lock(FLock);
                    FWoken = true;
                }
                FWake.notify_one();
            };
            FLink->OnMessage = [this](const std::string& topic, const std::string& payload, const TMqttReplyTo&) {
                if (topic != Topic(Topics::Resend)) return;
                const auto from = DecodeResend(payload);
                if (!from) return;
                {
                    std::lock_guard<std::mutex> lock(FLock);
                    // Nothing beyond the lines recorded can be sent again.
                    if (*from >= FStartSeq + FRecordedBefore + FLinesRecorded) return;
                    FResendFrom = FResendFrom ? std::min(*FResendFrom, *from) : *from;
                    FWoken = true;
                }
                FWake.notify_one();
            };
        }
        FLink->Connect(ConnectTimeout);
    } catch (const ELinkError& error) {
        SetState(FEverConnected ? TState::Reconnecting : TState::Connecting, error.what());
        return false;
    }
    OnConnected();
    return true;
}

void TStationPublisher::OnConnected() {
    FConnected = true;
    FEverConnected = true;
    // Whatever was in flight on the old connection is sent again from the acknowledged point.
    FInFlight.clear();
    FCursor = FAcked;
    FDropBefore.reset();
    FPausedUntil = {};
    try {
        // How far the numbering goes: a collector sees at once what it lacks, even from a
        // station that records nothing more.
        FLink->Publish(Topic(Topics::Status),
                       EncodeStatus(true, FOptions.Version, TStationProgress{FNumbering, NextSeq(), OldestSeq()}),
                       1, true);
        FLink->Publish(Topic(Topics::Meta), FMetaPayload, 1, true);
        FResendSubscription = FLink->Subscribe(Topic(Topics::Resend));
    } catch (const ELinkError& error) {
        LinkLost(error.what());
        return;
    }
    SetState(TState::Connected, "");
}

void TStationPublisher::LinkLost(const std::string& reason) {
    FConnected = false;
    FInFlight.clear();
    FCursor = FAcked;
    FDropBefore.reset();
    SetState(TState::Reconnecting, reason);
}

void TStationPublisher::CollectAcknowledgements() {
    std::string failure;
    if (FResendSubscription && TMqttLink::Finished(FResendSubscription, failure)) {
        if (!failure.empty() && !FResendRefusalLogged) {
            FResendRefusalLogged = true;
            SetState(TState::Connected, "cannot subscribe to " + Topic(Topics::Resend) + ": " + failure);
        }
        FResendSubscription.reset();
    }
    // In order: the acknowledged position only moves over a run of acknowledged batches.
    while (!FInFlight.empty() && TMqttLink::Finished(FInFlight.front().Token, failure)) {
        if (!failure.empty()) {
            // Refused (not authorized, quota): keep the connection, publish again later.
            FInFlight.clear();
            FCursor = FAcked;
            FDropBefore.reset();
            FPausedUntil = std::chrono::steady_clock::now() + RefusedPause;
            SetState(TState::Reconnecting, "publishing to " + Topic(Topics::Lines) + ": " + failure);
            return;
        }
        const TCursor end = FInFlight.front().End;
        FInFlight.pop_front();
        if (end.Seq > FAcked.Seq) {
            FAcked = end;
            FAckedSeq = end.Seq;
            FPositionDirty = true;
        }
        // Acknowledged again after a refusal: the broker takes our lines now.
        if (FStatus.State == TState::Reconnecting) SetState(TState::Connected, "");
    }
}

std::optional<TLinesBatch> TStationPublisher::ReadBatch(TCursor& cursor) {
    while (cursor.File < FFiles.size()) {
        TFileEntry& entry = FFiles[cursor.File];
        if (cursor.Offset == 0 && !entry.FirstSeq) entry.FirstSeq = cursor.Seq;
        TLineChunk chunk = ReadLinesFrom(Full(entry.Name), cursor.Offset, MaxBatchLines);
        if (!chunk.Lines.empty()) {
            TLinesBatch batch;
            batch.Seq = cursor.Seq;
            batch.Lines = std::move(chunk.Lines);
            cursor.Offset = chunk.EndOffset;
            cursor.Seq += batch.Lines.size();
            if (FDropBefore) {
                if (cursor.Seq <= *FDropBefore) continue;  // all before the asked line
                const std::size_t drop = static_cast<std::size_t>(*FDropBefore - batch.Seq);
                batch.Lines.erase(batch.Lines.begin(), batch.Lines.begin() + static_cast<long>(drop));
                batch.Seq = *FDropBefore;
                FDropBefore.reset();
            }
            return batch;
        }
        // This file is done once the writer has moved on to a later one.
        if (cursor.File + 1 >= FFiles.size()) break;
        ++cursor.File;
        cursor.Offset = 0;
        if (const auto& next = FFiles[cursor.File].FirstSeq; next && *next > cursor.Seq) {
            // Lines of the finished file are gone (removed by hand): say so, and go on.
            TLinesBatch notice;
            notice.Seq = cursor.Seq;
            notice.Skip = *next - cursor.Seq;
            cursor.Seq = *next;
            return notice;
        }
    }
    return std::nullopt;
}

void TStationPublisher::PublishLines() {
    if (std::chrono::steady_clock::now() < FPausedUntil) return;
    while (FInFlight.size() < MaxBatchesInFlight) {
        TCursor next = FCursor;
        std::optional<TLinesBatch> batch = ReadBatch(next);
        if (!batch) {
            FCursor = next;
            return;
        }
        batch->Numbering = FNumbering;
        try {
            FInFlight.push_back(TInFlight{FLink->Publish(Topic(Topics::Lines), EncodeLinesBatch(*batch), 1, false), next});
        } catch (const ELinkError& error) {
            LinkLost(error.what());
            return;
        }
        FCursor = next;
    }
}

void TStationPublisher::Rewind(std::uint64_t seq) {
    // The latest file known to start at or before the asked line.
    std::optional<std::size_t> from;
    for (std::size_t index = std::min(FCursor.File + 1, FFiles.size()); index-- > 0;)
        if (FFiles[index].FirstSeq && *FFiles[index].FirstSeq <= seq) {
            from = index;
            break;
        }
    FInFlight.clear();
    if (!from) {
        // Older than anything this station can still find: tell the asker what is gone.
        std::size_t oldest = 0;
        while (oldest < FFiles.size() && !FFiles[oldest].FirstSeq) ++oldest;
        const std::uint64_t firstKept = oldest < FFiles.size() ? *FFiles[oldest].FirstSeq : FAcked.Seq;
        if (firstKept > seq) {
            try {
                FLink->Publish(Topic(Topics::Lines), EncodeLinesBatch({seq, {}, firstKept - seq, FNumbering}), 1, false);
            } catch (const ELinkError&) {
            }
        }
        FCursor = oldest < FFiles.size() ? TCursor{oldest, 0, firstKept} : FAcked;
        FDropBefore.reset();
        return;
    }
    FCursor = {*from, 0, *FFiles[*from].FirstSeq};
    FDropBefore = seq > FCursor.Seq ? std::optional<std::uint64_t>(seq) : std::nullopt;
}

void TStationPublisher::PublishMinutes() {
    std::deque<std::string> minutes;
    {
        std::lock_guard<std::mutex> lock(FLock);
        minutes.swap(FMinutes);
    }
    for (const std::string& payload : minutes) {
        try {
            FLink->Publish(Topic(Topics::Minute), payload, 1, false);
        } catch (const ELinkError& error) {
            LinkLost(error.what());
            return;
        }
    }
}

void TStationPublisher::SavePosition(bool now) {
    if (!FPositionDirty) return;
    const auto clock = std::chrono::steady_clock::now();
    if (!now && clock - FSavedAt < PositionSaveInterval) return;
    TPublishPosition position;
    position.Seq = FAcked.Seq;
    position.Offset = FAcked.Offset;
    position.Numbering = FNumbering;
    if (FAcked.File < FFiles.size()) position.File = FFiles[FAcked.File].Name;
    const std::size_t first = FFiles.size() > KeptFileStarts ? FFiles.size() - KeptFileStarts : 0;
    for (std::size_t index = first; index < FFiles.size(); ++index)
        if (FFiles[index].FirstSeq) position.Files.push_back({FFiles[index].Name, *FFiles[index].FirstSeq});
    if (position.File.empty()) return;  // nothing acknowledged yet
    try {
        WriteFileAtomically(Full(PublishPositionFile), FormatPublishPosition(position));
        FPositionDirty = false;
        FSavedAt = clock;
    } catch (const std::exception& error) {
        SetState(FStatus.State, std::string("cannot save the published position: ") + error.what());
    }
}

void TStationPublisher::Goodbye(std::chrono::milliseconds drain) {
    const auto deadline = std::chrono::steady_clock::now() + drain;
    while (FConnected && std::chrono::steady_clock::now() < deadline) {
        TakeHandOvers();
        CollectAcknowledgements();
        if (FConnected) PublishLines();
        if (FInFlight.empty()) break;
        WaitFor(20ms);
    }
    CollectAcknowledgements();
    if (FConnected) {
        try {
            FLink->Publish(Topic(Topics::Status), EncodeStatus(false, FOptions.Version), 1, true)
                ->wait_for(std::chrono::milliseconds(500));
        } catch (const std::exception&) {
            // The will says the same when the goodbye does not arrive.
        }
        FLink->Disconnect(500ms);
    }
    FLink.reset();
    FConnected = false;
    SavePosition(true);
    SetState(TState::Off, "");
}
