#pragma once
// The collector: subscribes to the stations of a network on one broker and records each
// station (TCollectedStation) whose name matches its patterns. Paho's callbacks hand every
// message to the event loop through PostCall; recording happens there.
//
// Thread rule: created and used on the thread running its event loop.

#include "network/CollectedStation.h"
#include "network/FileSaver.h"
#include "network/MqttLink.h"

#include <QObject>
#include <QTimer>

#include <algorithm>
#include <chrono>

#include "network/CollectorLog.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

// How long the broker keeps a collector's subscriptions, and queues lines for it, while it is
// away (a restart, an upgrade). The stations' resend remains the guarantee; the session only
// spares them the work and gets lines of stations that have gone quiet meanwhile.
inline constexpr std::chrono::seconds DefaultSessionExpiry{3600};

struct TCollectorOptions {
    // ClientId filled in when empty, the same at every start on the same OutDirectory.
    TLinkEndpoint Endpoint;
    // The endpoint's session expiry: the collector's own default.
    std::chrono::seconds SessionExpiry = DefaultSessionExpiry;
    std::string Prefix = "orvant3k/v1";
    std::vector<std::string> Patterns;  // shell patterns of station names; none: every station
    std::string OutDirectory = ".";
    // A station new to the collector is recorded from its next line, not its oldest.
    bool FromNow = false;
    // Stations beyond are ignored (and logged once): no peer can make it open files without end.
    std::size_t MaxStations = 10000;
};

// The largest payload taken of each kind; a station's own are a small part of these.
inline constexpr std::size_t MaxLinesPayload = 256 * 1024;
inline constexpr std::size_t MaxMetaPayload = 256 * 1024;
inline constexpr std::size_t MaxStatusPayload = 4 * 1024;

class TCollector : public QObject {
    Q_OBJECT
public:
    using TLog = TCollectorLog;

    TCollector(TCollectorOptions options, TLog log);
    ~TCollector() override;

    // Connects (and keeps reconnecting) from the event loop.
    void Start();
    // Stops receiving, records everything already received, saves every position.
    void Drain();

    bool Matches(const std::string& station) const;
    std::size_t StationCount() const { return std::max(FStations.size(), FStationsSeen); }
    std::uint64_t LinesRecorded() const;

private:
    void TryConnect();
    void Handle(const std::string& topic, const std::string& payload, const TMqttReplyTo& replyTo);
    void AnswerHistory(const std::string& name, const std::string& payload, const TMqttReplyTo& replyTo);
    void Lost(const std::string& reason);
    void SaveDue();
    void AskToResend(const std::string& station, std::optional<std::uint64_t> from);
    void SendResendAsks();
    void LogSaveFailures();
    TCollectedStation* Station(const std::string& name);
    bool Admits(const std::string& name, const std::string& kind, std::size_t size);

    TCollectorOptions FOptions;
    TLog FLog;
    std::unique_ptr<TMqttLink> FLink;
    TFileSaver FSaver;  // before the stations: they hand it their last positions
    std::map<std::string, std::unique_ptr<TCollectedStation>> FStations;
    std::string FSaveFailure;  // logged once until another one
    QTimer FReconnect;
    QTimer FSave;
    int FRetryMs = 250;
    bool FConnected = false;
    bool FDraining = false;
    std::string FLinkState;  // logged once per change
    std::uint64_t FLinesOfClosed = 0;
    std::size_t FStationsSeen = 0;
    std::size_t FNamesRefused = 0;  // topics with names that are no station id
    bool FFullLogged = false;       // MaxStations reached
    bool FAnonymousLogged = false;
    // Resend requests not yet handed to the client library, by station.
    std::map<std::string, std::uint64_t> FResendAsks;
    // Requests sent per turn of the save timer (twice a second): 10,000 stations in 5 s.
    static constexpr int ResendAsksPerTurn = 1000;
    int FResendAsksLeft = ResendAsksPerTurn;
    std::string FResendFailure;  // logged once until another one
    static constexpr int MaxHistoryAnswersPerSecond = 20;
    std::chrono::steady_clock::time_point FHistorySecond{};
    int FHistoryAnswers = 0;
};
