#include "station/HeadlessRecorder.h"

#include "acquisition/BasicException.h"
#include "acquisition/ComPortThread.h"
#include "acquisition/ProfileFile.h"
#include "acquisition/SerialDevices.h"
#include "station/AcquisitionRun.h"
#include "settings/KnownSettings.h"
#include "settings/SerialDeviceSettings.h"
#include "station/ServiceManagerLink.h"
#include "station/SignalWatcher.h"
#include "station/StationPlan.h"
#include "settings/StationSettings.h"
#include "network/StationPublisher.h"
#include "recording/DateFormat.h"
#include "recording/IntermagnetDataFile.h"

#include <QCoreApplication>

#include <cerrno>
#include <chrono>
#include <sys/statvfs.h>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace {

constexpr std::chrono::milliseconds WatchPeriod{1000};
// A data line of an IAGA-2002 second file with its line end.
constexpr std::uint64_t IagaSecondLineBytes = 71;

double SteadySeconds() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration<double>(now).count();
}

// The kind of a recording failure, named after the file it concerns.
std::string FailureKind(const std::exception& error) {
    if (const auto* basic = dynamic_cast<const EBasicException*>(&error)) {
        if (basic->SourceClass() == "TIntermagnetDataFile") return "INTERMAGNET file";
        // Its message begins with the file's path.
        if (basic->SourceClass() == "TIagaDataFile") return "IAGA-2002";
        if (basic->SourceClass() == "TImagCdfWriter") return "ImagCDF";
        if (basic->SourceClass() == "TTextDateFile") return "archive file";
    }
    return "recording";
}

}  // namespace

THeadlessRecorder::THeadlessRecorder(THeadlessOptions options, TStationLog& log)
    : FOptions(std::move(options)), FLog(log) {
    FWatchTimer.setInterval(WatchPeriod);
    connect(&FWatchTimer, &QTimer::timeout, this, [this] { Watch(); });
}

THeadlessRecorder::~THeadlessRecorder() { Stop(); }

bool THeadlessRecorder::LoadSettings(TStationSettings& settings) {
    TProfileFile file(FOptions.SettingsFile);
    FLog.Line("settings: " + FOptions.SettingsFile);
    // Recording on every default would pass for a working station while writing no product.
    if (!file.ReadError().empty()) {
        FLog.Line("error: " + file.ReadError(), TLogPriority::Error);
        return false;
    }
    // The recorder never writes its settings: a file that is not there is a misspelt path or a
    // missing install, and recording with every default would pass unnoticed.
    std::error_code ignored;
    if (!std::filesystem::exists(FOptions.SettingsFile, ignored))
        FLog.Line("warning: the settings file " + FOptions.SettingsFile +
                      " does not exist; every setting keeps its default",
                  TLogPriority::Warning);
    const TSettingsProblems problems = LoadStationSettings(settings, file);
    if (!problems.empty()) {
        // Refused rather than run on a default the operator did not choose: under the service
        // the start fails visibly, where a fallback would record without a product unnoticed.
        for (const TSettingsProblem& problem : problems)
            FLog.Line("error: " + problem.Describe(false), TLogPriority::Error);
        FLog.Line("error: " + IniFileErrorText(FOptions.SettingsFile) +
                      ": the recorder does not start until the values above are mended",
                  TLogPriority::Error);
        return false;
    }
    for (const TSettingsProblem& unknown : UnknownSettings(file))
        FLog.Line("warning: " + unknown.Describe(), TLogPriority::Warning);
    ClearSerialDevices();
    for (const auto& [comNumber, path] : LoadSerialDevices(file)) SetSerialDevice(comNumber, path);
    return true;
}

bool THeadlessRecorder::Start() {
    TStationSettings settings;
    if (!LoadSettings(settings)) return false;
    SetSerialOverride(FOptions.PortDevice);

    const std::string dataFolder =
        !FOptions.DataFolder.empty() ? FOptions.DataFolder : settings.DataFolder;
    if (!dataFolder.empty() && !EnterDataFolder(dataFolder)) return false;
    FWatch = std::make_unique<TRecordingWatch>(TWatchLimits{settings.Warnings.NoDataSeconds,
                                                            settings.Warnings.ClockDriftSeconds,
                                                            settings.Warnings.DiskDays});
    const TRunSettings runSettings = RunSettingsOf(settings);
    FRun = std::make_unique<TAcquisitionRun>(runSettings, *this);

    const std::string port = FRun->PortName();
    FLog.Line("start: port " + port + " (" + ResolveSerialDevice(port) + "), " +
                  ProductsText(settings) + "; data folder " +
                  std::filesystem::current_path().string(),
              TLogPriority::Notice);
    if (settings.AutoCreateIntermagnet && settings.FilterCoefficients.empty())
        FLog.Line("note: no filter coefficients in the settings: no INTERMAGNET file is written",
                  TLogPriority::Warning);
    if (!ArchiveFolderWritable()) {
        Stop();
        return false;
    }
    try {
        FRun->Start();
    } catch (const EPortOpenError& error) {
        FLog.Line("error: " + std::string(error.what()), TLogPriority::Error);
        FLog.Line("error: " + error.Detail(), TLogPriority::Error);
        Stop();
        return false;
    } catch (const std::exception& error) {
        FLog.Line(std::string("error: could not start: ") + error.what(), TLogPriority::Error);
        Stop();
        return false;
    }
    FLog.Line("recording", TLogPriority::Notice);
    FWatchTimer.start();
    if (TStationPublisher* publisher = FRun->Publisher()) {
        FLog.Line("network: publishing as " + runSettings.Network.StationId + " on " +
                  runSettings.Network.Broker + ":" +
                  std::to_string(runSettings.Network.EffectivePort()) +
                  (runSettings.Network.Tls ? " (TLS)" : "") + " under " +
                  runSettings.Network.TopicPrefix + "/");
        publisher->SetStatusListener(this, [this](const TLinkStatus& status) { LogLink(status); });
    }
    return true;
}

void THeadlessRecorder::LogLink(const TLinkStatus& status) {
    // Each change once; the waiting count alone is no change.
    if (status.SameState(FLinkLogged)) return;
    FLinkLogged = status;
    FLog.Line("network: " + status.Text(),
              status.State == TLinkStatus::TState::Connected && status.Reason.empty()
                  ? TLogPriority::Notice
                  : TLogPriority::Warning);
}

// Checked before the port opens, so that a service whose data folder is missing or read-only
// fails at once with the reason instead of logging a write error with its first sample.
bool THeadlessRecorder::ArchiveFolderWritable() {
    const std::filesystem::path folder = "ARCHIVE";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!error && ::access(folder.c_str(), W_OK | X_OK) != 0)
        error = std::error_code(errno, std::generic_category());
    if (!error && !std::filesystem::is_directory(folder))
        error = std::make_error_code(std::errc::not_a_directory);
    if (!error) return true;
    FLog.Line("error: the archive folder " + std::filesystem::absolute(folder).string() +
                  " is not writable: " + error.message(),
              TLogPriority::Error);
    return false;
}

bool THeadlessRecorder::EnterDataFolder(const std::string& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!error) std::filesystem::current_path(folder, error);
    if (!error) return true;
    FLog.Line("error: the data folder " + folder + " cannot be used: " + error.message(),
              TLogPriority::Error);
    return false;
}

void THeadlessRecorder::Watch() {
    if (!FWatch) return;
    struct statvfs disk {};
    // Unknown free space is no reason to warn.
    const std::uint64_t freeBytes = ::statvfs(".", &disk) == 0
                                        ? std::uint64_t(disk.f_bavail) * disk.f_frsize
                                        : UINT64_MAX;
    LogWatchEvents(FWatch->Check(SteadySeconds(), freeBytes));
}

void THeadlessRecorder::LogWatchEvents(const std::vector<TWatchEvent>& events) {
    for (const TWatchEvent& event : events)
        FLog.Line((event.Warning ? "warning: " : "") + event.Text,
                  event.Warning ? TLogPriority::Warning : TLogPriority::Notice);
}

void THeadlessRecorder::Stop() {
    FWatchTimer.stop();
    if (!FRun) return;
    const bool wasRunning = FRun->HasReader();
    try {
        FRun->Stop();
    } catch (const std::exception& error) {
        FLog.Line(std::string("error while stopping: ") + error.what(), TLogPriority::Error);
    }
    const TReaderLineCounts lines = FRun->LineCounts();
    FRun.reset();
    FLog.FlushLeftOut();
    if (wasRunning)
        FLog.Line("stopped: " + std::to_string(FSamplesRecorded) + " samples recorded" +
                  (FSamplesFailed ? ", " + std::to_string(FSamplesFailed) + " could not be recorded"
                                  : std::string()) +
                  ", " + std::to_string(lines.Unparseable) + " unparseable lines, " +
                  std::to_string(lines.Dropped) + " lines dropped",
                  TLogPriority::Notice);
}

std::string THeadlessRecorder::StatusText() const {
    std::string text = "recording: " + std::to_string(FSamplesRecorded) + " lines recorded";
    if (FSamplesRecorded > 0)
        text += ", last sample " + FormatDateTime("yyyy-mm-dd hh:nn:ss", FLastSampleTime);
    if (FSamplesFailed > 0) text += ", " + std::to_string(FSamplesFailed) + " not recorded";
    const std::string warnings = FWatch ? FWatch->CurrentText() : "";
    if (!warnings.empty()) text += "; warning: " + warnings;
    const std::string error = FLog.LastError();
    if (!error.empty()) text += "; last error: " + error;
    return text;
}

void THeadlessRecorder::HandleSample(const TLogicalPacket& packet) {
    TSampleRecord record;
    try {
        record = FRun->RecordSample(packet);
    } catch (const std::exception& error) {
        ++FSamplesFailed;
        NoteFailure(error);
        return;
    }
    ++FSamplesRecorded;
    FLastSampleTime = packet.TimeStamp();
    // What the sample costs on disk: its archive line, and its IAGA-2002 second line if any.
    const std::uint64_t bytes =
        packet.Line().size() + 2 + (record.IagaSecondFileName.empty() ? 0 : IagaSecondLineBytes);
    if (FWatch)
        LogWatchEvents(FWatch->Sample(SteadySeconds(), packet.TimeStamp(), NowUtc(), bytes));
    for (const char* kind : {"archive file", "INTERMAGNET file", "IAGA-2002", "ImagCDF", "recording"})
        if (FFailures.Succeeded(kind))
            FLog.Line(std::string(kind) + ": writing again", TLogPriority::Notice);
    if (record.ArchiveFileName != FArchiveFileName) {
        FArchiveFileName = record.ArchiveFileName;
        FLog.Line("archive file: " + FArchiveFileName);
    }
    if (!record.IntermagnetFileName.empty() && record.IntermagnetFileName != FIntermagnetFileName) {
        FIntermagnetFileName = record.IntermagnetFileName;
        FLog.Line("INTERMAGNET file: " + FIntermagnetFileName);
    }
    for (auto [name, logged] : {std::pair{&record.IagaSecondFileName, &FIagaSecondFileName},
                                std::pair{&record.IagaMinuteFileName, &FIagaMinuteFileName}})
        if (!name->empty() && *name != *logged) {
            *logged = *name;
            FLog.Line("IAGA-2002 file: " + *logged);
        }
    for (auto [name, logged] : {std::pair{&record.ImagCdfSecondFileName, &FImagCdfSecondFileName},
                                std::pair{&record.ImagCdfMinuteFileName, &FImagCdfMinuteFileName}})
        if (!name->empty() && *name != *logged) {
            *logged = *name;
            FLog.Line("ImagCDF file: " + *logged);
        }
}

void THeadlessRecorder::NoteFailure(const std::exception& error) {
    const std::string kind = FailureKind(error);
    // Keyed by the reason alone: after a failed open every packet tries a new file name, and
    // the failure is still the same one.
    if (!FFailures.Failed(kind, error.what())) return;
    const TDataFile* concerned = kind == "archive file"       ? FRun->ArchiveFile()
                                 : kind == "INTERMAGNET file" ? FRun->IntermagnetFile()
                                                              : nullptr;
    // The file it was writing or about to create; none before the first name was made.
    const std::string file =
        concerned && !concerned->BaseName().empty() ? concerned->GetFileName() : "";
    FLog.Report(TReportKind::WriteError, kind + (file.empty() ? "" : " " + file) + ": " +
                                             error.what() +
                                             " (logged once until it changes or recovers)");
}

int RunHeadlessRecorder(const THeadlessOptions& options) {
    TStationLog log;
    TNotifier* previous = SetNotifier(&log);
    int exitCode = 0;
    {
        THeadlessRecorder recorder(options, log);
        TServiceManagerLink serviceManager([&recorder] { return recorder.StatusText(); });
        TSignalWatcher stopSignals;
        QObject::connect(&stopSignals, &TSignalWatcher::StopRequested,
                         [&log, &serviceManager](int signalNumber) {
                             log.Line("stop requested by signal " + std::to_string(signalNumber),
                                      TLogPriority::Notice);
                             serviceManager.Stopping();
                             QCoreApplication::quit();
                         });
        if (recorder.Start()) {
            serviceManager.Ready();
            QCoreApplication::exec();
            recorder.Stop();
        } else {
            serviceManager.Status("failed to start: " + log.LastError());
            exitCode = 1;
        }
    }
    SetNotifier(previous);
    return exitCode;
}
