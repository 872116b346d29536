#include "network/Collector.h"

#include "acquisition/HandOff.h"
#include "network/Payloads.h"

#include <QCoreApplication>

#include <fnmatch.h>
#include <random>
#include <unistd.h>

namespace {

constexpr int LastRetryMs = 4000;

std::string RandomClientId() {
    std::random_device random;
    return "orvant3k-collector-" + std::to_string(::getpid()) + "-" + std::to_string(random() % 100000);
}

}  // namespace

TCollector::TCollector(TCollectorOptions options, TLog log)
    : FOptions(std::move(options)), FLog(std::move(log)) {
    if (FOptions.Endpoint.ClientId.empty()) FOptions.Endpoint.ClientId = RandomClientId();
    FReconnect.setSingleShot(true);
    connect(&FReconnect, &QTimer::timeout, this, &TCollector::TryConnect);
    FSave.setInterval(500);
    connect(&FSave, &QTimer::timeout, this, &TCollector::SaveDue);
}

TCollector::~TCollector() { Drain(); }

bool TCollector::Matches(const std::string& station) const {
    if (FOptions.Patterns.empty()) return true;
    for (const std::string& pattern : FOptions.Patterns)
        if (::fnmatch(pattern.c_str(), station.c_str(), 0) == 0) return true;
    return false;
}

std::uint64_t TCollector::LinesRecorded() const {
    std::uint64_t lines = FLinesOfClosed;
    for (const auto& [name, station] : FStations) lines += station->LinesRecorded();
    return lines;
}

void TCollector::Start() {
    FLink = std::make_unique<TMqttLink>(FOptions.Endpoint);
    // Paho's threads only hand over; the event loop records.
    FLink->OnMessage = [this](const std::string& topic, const std::string& payload) {
        PostCall(this, [this, topic, payload] { Handle(topic, payload); });
    };
    FLink->OnLost = [this](const std::string& reason) {
        PostCall(this, [this, reason] { Lost(reason); });
    };
    FSave.start();
    TryConnect();
}

void TCollector::TryConnect() {
    if (FDraining || !FLink) return;
    try {
        FLink->Connect(std::chrono::seconds(5));
        // Descriptions and states first and at QoS 0: they are retained, so a lost one comes
        // again with the next subscription, and they never wait in the broker's queue of
        // QoS 1 messages, which a large network's retained messages would overflow.
        FLink->Subscribe(FOptions.Prefix + "/+/" + Topics::Meta, 0);
        FLink->Subscribe(FOptions.Prefix + "/+/" + Topics::Status, 0);
        FLink->Subscribe(FOptions.Prefix + "/+/" + Topics::Lines, 1);
    } catch (const ELinkError& error) {
        const std::string state = std::string("cannot connect to ") + FLink->ServerText() + ": " + error.what();
        if (state != FLinkState) FLog(FLinkState = state, TLogPriority::Warning);
        FReconnect.start(FRetryMs);
        FRetryMs = std::min(FRetryMs * 2, LastRetryMs);
        return;
    }
    FConnected = true;
    FRetryMs = 250;
    FLog(FLinkState = "connected to " + FLink->ServerText() + ", subscribed to " + FOptions.Prefix + "/+/",
         TLogPriority::Notice);
    // Whatever the stations published while this subscription was missing (a broker restart
    // without persistence drops it) is asked for, even from stations that then fall silent.
    for (auto& [name, station] : FStations) AskToResend(name, station->ResendDue(true));
}

void TCollector::AskToResend(const std::string& station, std::optional<std::uint64_t> from) {
    if (!from || !FConnected) return;
    try {
        FLink->Publish(Topics::Of(FOptions.Prefix, station, Topics::Resend), EncodeResend(*from), 1, false);
    } catch (const ELinkError& error) {
        FLog(station + ": cannot ask for lines again: " + error.what(), TLogPriority::Warning);
    }
}

void TCollector::Lost(const std::string& reason) {
    if (!FConnected || FDraining) return;
    FConnected = false;
    FLog(FLinkState = "connection lost (" + reason + "); reconnecting", TLogPriority::Warning);
    FReconnect.start(FRetryMs);
}

TCollectedStation& TCollector::Station(const std::string& name) {
    auto found = FStations.find(name);
    if (found == FStations.end())
        found = FStations.emplace(name, std::make_unique<TCollectedStation>(FOptions.OutDirectory, name, FLog, FSaver,
                                                                        FOptions.FromNow))
                    .first;
    return *found->second;
}

void TCollector::Handle(const std::string& topic, const std::string& payload) {
    std::string name, kind;
    if (!Topics::Split(topic, FOptions.Prefix, name, kind) || !Matches(name)) return;
    // A name that is not a plain folder name would lead outside the output folder.
    if (name == "." || name == ".." || name.find_first_of("/\\") != std::string::npos) return;
    if (kind == Topics::Lines) {
        const auto batch = DecodeLinesBatch(payload);
        if (!batch) {
            FLog(name + ": a lines message that is not a batch was ignored", TLogPriority::Warning);
            return;
        }
        AskToResend(name, Station(name).Take(*batch));
    } else if (kind == Topics::Status) {
        AskToResend(name, Station(name).StatusSeen(DecodeStatus(payload)));
    } else if (kind == Topics::Meta) {
        Station(name).MetaSeen(payload);
    }
}

void TCollector::SaveDue() {
    for (auto& [name, station] : FStations) {
        station->SavePosition(false);
        // Lines missing or not written, from a station that may send nothing more by itself.
        AskToResend(name, station->ResendDue(false));
    }
    LogSaveFailures();
}

void TCollector::LogSaveFailures() {
    for (const std::string& failure : FSaver.TakeFailures())
        if (failure != FSaveFailure) FLog("cannot save " + (FSaveFailure = failure), TLogPriority::Error);
}

void TCollector::Drain() {
    if (FDraining) return;
    FDraining = true;
    FReconnect.stop();
    FSave.stop();
    if (FLink) {
        FLink->Disconnect(std::chrono::seconds(1));
        // Messages Paho has taken (and acknowledged) are recorded before the link goes.
        QCoreApplication::processEvents(QEventLoop::AllEvents, 200);
        FLink.reset();
        QCoreApplication::sendPostedEvents(this);
    }
    FLinesOfClosed = LinesRecorded();
    FStationsSeen = FStations.size();
    FStations.clear();  // each hands over its position and closes its archive
    FSaver.Flush();
    LogSaveFailures();
}
