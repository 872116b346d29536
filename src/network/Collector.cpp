#include "network/Collector.h"

#include "acquisition/HandOff.h"
#include "network/MinuteHistory.h"
#include "network/Payloads.h"
#include "network/PeerText.h"
#include "settings/NetworkSettings.h"

#include <QCoreApplication>

#include <filesystem>
#include <fnmatch.h>
#include <fstream>
#include <cstdio>
#include <unistd.h>

namespace {

constexpr int LastRetryMs = 4000;

// The broker keeps a collector's session under its client id, so the id must be the same at
// every start of a collector on the same folder, and differ between folders and machines: it
// is derived from the machine's id (its host name where it has none; cloned machines may share
// a host name) and the output folder's absolute path.
std::string CollectorClientId(const std::string& outDirectory) {
    std::string machine;
    std::getline(std::ifstream("/etc/machine-id"), machine);
    if (machine.empty()) {
        char host[256] = {};
        ::gethostname(host, sizeof host - 1);
        machine = host;
    }
    std::error_code error;
    std::filesystem::path folder = std::filesystem::weakly_canonical(std::filesystem::absolute(outDirectory, error), error);
    std::uint64_t hash = 14695981039346656037ULL;  // FNV-1a: stable across builds, unlike std::hash
    for (const char c : machine + ":" + folder.string()) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ULL;
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return std::string("orvant3k-collector-") + hex;
}

}  // namespace

TCollector::TCollector(TCollectorOptions options, TLog log)
    : FOptions(std::move(options)), FLog(std::move(log)) {
    if (FOptions.Endpoint.ClientId.empty()) FOptions.Endpoint.ClientId = CollectorClientId(FOptions.OutDirectory);
    FOptions.Endpoint.SessionExpiry = FOptions.SessionExpiry;
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
    // The stations recorded before a restart are known from the start, so that the first
    // subscription asks each for what it sent while the collector was away.
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(FOptions.OutDirectory, error)) {
        const std::string name = entry.path().filename().string();
        if (IsValidStationId(name) && Matches(name) &&
            std::filesystem::exists(entry.path() / TCollectedStation::PositionFile, error))
            Station(name);
    }
    FLink = std::make_unique<TMqttLink>(FOptions.Endpoint);
    // Paho's threads only hand over; the event loop records.
    FLink->OnMessage = [this](const std::string& topic, const std::string& payload, const TMqttReplyTo& replyTo) {
        PostCall(this, [this, topic, payload, replyTo] { Handle(topic, payload, replyTo); });
    };
    FLink->OnLost = [this](const std::string& reason) {
        PostCall(this, [this, reason] { Lost(reason); });
    };
    FSave.start();
    TryConnect();
}

void TCollector::TryConnect() {
    if (FDraining || !FLink) return;
    bool resumed = false;
    try {
        resumed = FLink->Connect(std::chrono::seconds(5));
        // Descriptions and states first and at QoS 0: they are retained, so a lost one comes
        // again with the next subscription, and they never wait in the broker's queue of
        // QoS 1 messages, which a large network's retained messages would overflow.
        FLink->Subscribe(FOptions.Prefix + "/+/" + Topics::Meta, 0);
        FLink->Subscribe(FOptions.Prefix + "/+/" + Topics::Status, 0);
        FLink->Subscribe(FOptions.Prefix + "/+/" + Topics::Lines, 1);
        // Requests of overview pages for a station's minute values.
        FLink->Subscribe(FOptions.Prefix + "/+/" + Topics::History, 1);
    } catch (const ELinkError& error) {
        const std::string state = std::string("cannot connect to ") + FLink->ServerText() + ": " + error.what();
        if (state != FLinkState) FLog(FLinkState = state, TLogPriority::Warning);
        FReconnect.start(FRetryMs);
        FRetryMs = std::min(FRetryMs * 2, LastRetryMs);
        return;
    }
    FConnected = true;
    FRetryMs = 250;
    if (FOptions.Endpoint.Username.empty() && !FAnonymousLogged) {
        FAnonymousLogged = true;
        FLog("the broker let this collector in without a user name: any client may then write the "
             "stations' topics and have false lines recorded; give the broker passwords and the "
             "per-station ACL of the network guide",
             TLogPriority::Error);
    }
    FLog(FLinkState = "connected to " + FLink->ServerText() + ", subscribed to " + FOptions.Prefix + "/+/" +
                      (resumed ? " (session resumed: the lines the broker kept meanwhile follow)" : ""),
         TLogPriority::Notice);
    // Whatever the stations published while this subscription was missing (a broker restart
    // without persistence drops it) is asked for, even from stations that then fall silent.
    for (auto& [name, station] : FStations) AskToResend(name, station->ResendDue(true));
}

void TCollector::AskToResend(const std::string& station, std::optional<std::uint64_t> from) {
    if (!from || !FConnected) return;
    FResendAsks[station] = *from;  // a later ask knows better where the collector stands
    SendResendAsks();
}

void TCollector::SendResendAsks() {
    // Paced: after a reconnection every known station is asked at once, more than the client
    // library takes in one go; what it refuses, or what is beyond this turn, waits for the next.
    std::string failure;
    while (!FResendAsks.empty() && FResendAsksLeft > 0 && FConnected) {
        const auto ask = FResendAsks.begin();
        try {
            FLink->Publish(Topics::Of(FOptions.Prefix, ask->first, Topics::Resend), EncodeResend(ask->second), 1, false);
        } catch (const ELinkError& error) {
            failure = error.what();
            break;
        }
        FResendAsks.erase(ask);
        --FResendAsksLeft;
    }
    if (failure.empty()) {
        if (FResendAsks.empty()) FResendFailure.clear();
    } else if (failure != FResendFailure) {
        FResendFailure = failure;
        FLog("cannot ask " + std::to_string(FResendAsks.size()) + " stations for lines again yet: " + failure +
                 "; asking again shortly",
             TLogPriority::Warning);
    }
}

void TCollector::Lost(const std::string& reason) {
    if (!FConnected || FDraining) return;
    FConnected = false;
    FResendAsks.clear();  // the next subscription asks every station anew
    FLog(FLinkState = "connection lost (" + reason + "); reconnecting", TLogPriority::Warning);
    FReconnect.start(FRetryMs);
}

TCollectedStation* TCollector::Station(const std::string& name) {
    auto found = FStations.find(name);
    if (found != FStations.end()) return found->second.get();
    if (FStations.size() >= FOptions.MaxStations) {
        if (!FFullLogged)
            FLog("station " + name + " ignored, and any further new one: this collector records at most " +
                     std::to_string(FOptions.MaxStations) + " stations (--max-stations)",
                 TLogPriority::Error);
        FFullLogged = true;
        return nullptr;
    }
    found = FStations.emplace(name, std::make_unique<TCollectedStation>(FOptions.OutDirectory, name, FLog, FSaver,
                                                                    FOptions.FromNow))
                .first;
    return found->second.get();
}

bool TCollector::Admits(const std::string& name, const std::string& kind, std::size_t size) {
    if (!IsValidStationId(name)) {
        // Each name would become a folder; a flood of them is logged a few times, not each.
        if (++FNamesRefused <= 3)
            FLog("a message under the station name \"" + PrintablePeerText(name) +
                     "\" was ignored: a station name is " + StationIdRule +
                     (FNamesRefused == 3 ? " (further ones are ignored without a log line)" : ""),
                 TLogPriority::Warning);
        return false;
    }
    if (!Matches(name)) return false;
    const std::size_t limit = kind == Topics::Lines ? MaxLinesPayload
                              : kind == Topics::Meta ? MaxMetaPayload
                              : kind == Topics::Status ? MaxStatusPayload
                              : kind == Topics::History ? MaxHistoryRequestPayload
                                                        : 0;
    if (limit == 0) return false;
    if (size > limit) {
        FLog(name + ": a " + kind + " message of " + std::to_string(size) + " bytes was ignored (at most " +
                 std::to_string(limit) + ")",
             TLogPriority::Warning);
        return false;
    }
    return true;
}

void TCollector::AnswerHistory(const std::string& name, const std::string& payload, const TMqttReplyTo& replyTo) {
    // Only answers meant for the asking page: a request naming another topic (a station's
    // lines, say) must not make the collector publish there.
    const std::string answers = Topics::Of(FOptions.Prefix, name, Topics::History) + "/answer/";
    if (!FConnected || replyTo.ResponseTopic.size() <= answers.size() ||
        replyTo.ResponseTopic.compare(0, answers.size(), answers) != 0 ||
        replyTo.ResponseTopic.find_first_of("+#", answers.size()) != std::string::npos ||
        replyTo.ResponseTopic.find('/', answers.size()) != std::string::npos)
        return;
    // A page asks once when it opens; a flood is answered up to a limit a second.
    const auto now = std::chrono::steady_clock::now();
    if (now - FHistorySecond >= std::chrono::seconds(1)) {
        FHistorySecond = now;
        FHistoryAnswers = 0;
    }
    if (++FHistoryAnswers > MaxHistoryAnswersPerSecond) return;
    std::string answer;
    const std::string folder = FOptions.OutDirectory + "/" + name;
    std::error_code error;
    const std::optional<THistoryRequest> request = DecodeHistoryRequest(payload);
    if (!request) {
        answer = EncodeHistoryError("the request is not {\"from\":\"yyyy-mm-ddThh:nn:ss\",\"to\":...} with to after from");
    } else if (!std::filesystem::exists(folder, error)) {
        answer = EncodeHistoryError("this collector does not record " + name);
    } else if (!std::filesystem::exists(folder + "/IAGA2002", error)) {
        answer = EncodeHistoryError("this collector writes no IAGA-2002 files of " + name +
                                    " (its description asks for none)");
    } else {
        // Minutes its files do not hold (yet) are answered as missing.
        answer = EncodeHistoryAnswer(ReadMinuteHistory(folder, *request));
    }
    try {
        FLink->Reply(replyTo, answer);
    } catch (const ELinkError& error) {
        FLog(name + ": cannot answer a history request: " + error.what(), TLogPriority::Warning);
    }
}

void TCollector::Handle(const std::string& topic, const std::string& payload, const TMqttReplyTo& replyTo) {
    std::string name, kind;
    // A name that is no station id (one that would lead outside the output folder included)
    // never becomes a folder or a log line as it is.
    if (!Topics::Split(topic, FOptions.Prefix, name, kind) || !Admits(name, kind, payload.size())) return;
    if (kind == Topics::Lines) {
        const auto batch = DecodeLinesBatch(payload);
        if (!batch) {
            FLog(name + ": a lines message that is not a batch was ignored", TLogPriority::Warning);
            return;
        }
        if (TCollectedStation* station = Station(name)) AskToResend(name, station->Take(*batch));
    } else if (kind == Topics::Status) {
        if (TCollectedStation* station = Station(name)) AskToResend(name, station->StatusSeen(DecodeStatus(payload)));
    } else if (kind == Topics::Meta) {
        if (TCollectedStation* station = Station(name)) station->MetaSeen(payload);
    } else if (kind == Topics::History) {
        AnswerHistory(name, payload, replyTo);
    }
}

void TCollector::SaveDue() {
    FResendAsksLeft = ResendAsksPerTurn;
    for (auto& [name, station] : FStations) {
        station->SavePosition(false);
        // Lines missing or not written, from a station that may send nothing more by itself.
        AskToResend(name, station->ResendDue(false));
    }
    // What earlier turns left waiting goes out though no station asked anything new.
    if (FConnected) SendResendAsks();
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
