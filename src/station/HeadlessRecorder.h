#pragma once

#include "acquisition/DateTime.h"
#include "acquisition/SampleHandler.h"
#include "station/RecordingWatch.h"
#include "station/StationLog.h"
#include "settings/NetworkSettings.h"

#include <QObject>
#include <QTimer>

#include <memory>
#include <string>

class TAcquisitionRun;
struct TStationSettings;

struct THeadlessOptions {
    std::string SettingsFile;  // the settings file to read
    std::string PortDevice;    // when set, every COM name opens this device for this run
    std::string DataFolder;    // when set, the data trees go here whatever the settings say
};

// The station without windows: reads the settings, records every packet in the data folder
// (the working directory unless the settings or the command line name one) with the same run
// controller and writers as the window, logs what happens, warns before data is lost, and stops
// in order on SIGINT or SIGTERM.
// Thread rule: created and run on the main thread, which runs the event loop.
class THeadlessRecorder : public QObject, public TSampleHandler {
    Q_OBJECT
public:
    THeadlessRecorder(THeadlessOptions options, TStationLog& log);
    ~THeadlessRecorder() override;

    // Starts the run. On failure logs why and returns false (the settings file cannot be read,
    // the port could not be opened).
    bool Start();
    // Runs the stop sequence: every packet received is recorded before the files close.
    void Stop();

    std::uint64_t SamplesRecorded() const { return FSamplesRecorded; }
    // One line for the service manager: lines recorded, the last sample's time, the warnings
    // going on, the last error.
    std::string StatusText() const;
    // Samples a recording step failed for (logged once per failure, as the window beeps).
    std::uint64_t SamplesFailed() const { return FSamplesFailed; }

    // Records one packet; failures are logged once per kind, never raised.
    void HandleSample(const TLogicalPacket& packet) override;

private:
    // False, with the reason logged, when the settings must not be recorded with.
    bool LoadSettings(TStationSettings& settings);
    void NoteFailure(const std::exception& error);
    void LogLink(const TLinkStatus& status);
    bool ArchiveFolderWritable();
    bool EnterDataFolder(const std::string& folder);
    void Watch();
    void LogWatchEvents(const std::vector<TWatchEvent>& events);

    THeadlessOptions FOptions;
    TStationLog& FLog;
    std::unique_ptr<TAcquisitionRun> FRun;
    TFailureMemory FFailures;
    std::string FArchiveFileName;
    std::string FIntermagnetFileName;
    std::string FIagaSecondFileName;
    std::string FIagaMinuteFileName;
    std::string FImagCdfSecondFileName;
    std::string FImagCdfMinuteFileName;
    TLinkStatus FLinkLogged;
    std::uint64_t FSamplesRecorded = 0;
    std::uint64_t FSamplesFailed = 0;
    TDateTime FLastSampleTime = 0;  // of the last sample recorded, 0 before the first
    std::unique_ptr<TRecordingWatch> FWatch;
    QTimer FWatchTimer;
};

// The whole headless program: start, event loop until a stop signal, stop. Returns the exit code.
// Run by systemd as a notify service, it reports readiness (port open, archive folder writable),
// pings the watchdog from the event loop, keeps a status line and announces its stop.
int RunHeadlessRecorder(const THeadlessOptions& options);
