#pragma once

#include "acquisition/COMPortSettings.h"
#include "recording/DerivedFiles.h"
#include "settings/IagaSettings.h"
#include "settings/IntermagnetHeader.h"
#include "settings/NetworkSettings.h"

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

class TComPortThread;
class TIagaDataFile;
class TIntermagnetDataFile;
class TLogicalPacket;
class TPacketSemaphore;
class TProcessingThread;
class TSampleHandler;
class TStationPublisher;
class TTextWithTimeDataFile;

// What one acquisition run takes from the station's settings; copied at construction, so the
// settings may change while the run goes on without touching it.
struct TRunSettings {
    TCOMPortSettings PortSettings;
    bool AutoCreateIntermagnet = true;
    int MinuteOr5Seconds = 0;  // 0: one-minute INTERMAGNET values, else five-second values
    TIntermagnetHeader IntermagnetHeader;
    // The station's filter coefficients: the run's filter works with this copy.
    std::vector<double> FilterCoefficients;
    TIagaSettings Iaga;
    TImagCdfSettings ImagCdf;
    // Publishing on a broker when Broker is set (StationId filled in by the caller).
    TNetworkSettings Network;
};

// The derived files' part of a run's settings.
TDerivedSettings DerivedSettingsOf(const TRunSettings& settings);

// The port of a run could not be opened. The message is "Could not open COM port: COM<n>"; the
// detail names the device and the system's reason.
class EPortOpenError : public std::runtime_error {
public:
    EPortOpenError(const std::string& message, std::string detail)
        : std::runtime_error(message), FDetail(std::move(detail)) {}
    const std::string& Detail() const { return FDetail; }
    // Message and detail on two lines, as the user sees them.
    std::string FullText() const { return std::string(what()) + "\n" + FDetail; }

private:
    std::string FDetail;
};

// What the recording steps did with one packet.
struct TSampleRecord : TDerivedRecord {
    std::string ArchiveFileName;  // the archive file the line went to
};

// The lines the reader did not queue, by reason.
struct TReaderLineCounts {
    std::uint64_t Unparseable = 0;  // the right length, but no instrument line
    std::uint64_t Dropped = 0;      // the wrong length, or an over-long run without CR
};

// One acquisition run: the chain from the serial port to the files. The window and the
// headless recorder both drive it, so both record identically; each adds its own steps
// (controls, graphs, log) around these.
//
// Start, in this order: semaphore; processing thread with its queue; the run's filter with its
// copy of the coefficients; INTERMAGNET writer; archive writer; IAGA-2002 writers; trial open of
// the port; reader. Stop: reader stopped and waited for; processing thread stopped, drained and
// waited for; INTERMAGNET writer, IAGA-2002 writers, then archive writer, finished and
// destroyed. Every packet the reader queued is recorded before the files close.
//
// Thread rule: created, driven and destroyed on the user-interface thread; RecordSample runs
// there too, inside the handler that the processing thread calls synchronously.
class TAcquisitionRun {
public:
    TAcquisitionRun(TRunSettings settings, TSampleHandler& handler);
    // Runs Stop quietly when the run still has objects.
    ~TAcquisitionRun();
    TAcquisitionRun(const TAcquisitionRun&) = delete;
    TAcquisitionRun& operator=(const TAcquisitionRun&) = delete;

    // The start steps, for callers that put their own steps between them.
    void CreateSemaphoreAndProcessing();
    // Sets up the run's filter, creates the INTERMAGNET, archive and IAGA-2002 writers, and the
    // publisher when the settings name a broker. A header that breaks its rules
    // (CheckIntermagnetHeader, CheckIagaHeader), or IAGA-2002 minute files asked for beside
    // five-second values, is reported once (TReportKind::SettingsError) and leaves those files
    // out of the run; the archive records.
    void CreateWriters();
    // Opens and closes the port once; EPortOpenError when it cannot be opened.
    void TrialOpen();
    void StartReader();
    // All start steps in order.
    void Start();

    // The stop steps. A failing step ends the stop (the remaining steps are skipped) and its
    // error is raised after every object that could be released is gone.
    void Stop();

    // The recording steps for one packet: archive line; then the filter, once, for the
    // INTERMAGNET writer (when automatic creation is on and the header was accepted) and the
    // IAGA-2002 minute writer; then the IAGA-2002 second writer. An archive failure is raised at
    // once (nothing else is written); a failure of a derived product does not hold back the
    // others, and the first one is raised after all have been tried.
    TSampleRecord RecordSample(const TLogicalPacket& packet);

    bool HasReader() const { return FReader != nullptr; }
    // The reader's counts so far; after the stop, its final ones.
    TReaderLineCounts LineCounts() const;
    // The header broke its rules at CreateWriters: this run writes no INTERMAGNET file.
    bool IntermagnetRefused() const;
    bool HasObjects() const;
    const TRunSettings& Settings() const { return FSettings; }
    // "COM" + (port index + 1).
    std::string PortName() const;
    TComPortThread* Reader() const { return FReader.get(); }
    TProcessingThread* Processing() const { return FProcessing.get(); }
    TTextWithTimeDataFile* ArchiveFile() const { return FArchiveFile.get(); }
    TIntermagnetDataFile* IntermagnetFile() const;
    TIagaDataFile* IagaSecondFile() const;
    TIagaDataFile* IagaMinuteFile() const;
    // Null when publishing is off.
    TStationPublisher* Publisher() const { return FPublisher.get(); }

private:
    const TRunSettings FSettings;
    TSampleHandler& FHandler;
    std::unique_ptr<TPacketSemaphore> FSemaphore;
    std::unique_ptr<TProcessingThread> FProcessing;
    std::unique_ptr<TDerivedFiles> FDerived;
    std::unique_ptr<TTextWithTimeDataFile> FArchiveFile;
    std::unique_ptr<TComPortThread> FReader;
    std::unique_ptr<TStationPublisher> FPublisher;
    TReaderLineCounts FFinalLineCounts;
};
