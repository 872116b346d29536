#include "station/AcquisitionRun.h"

#include "acquisition/BasicException.h"
#include "acquisition/COMPort.h"
#include "acquisition/ComPortThread.h"
#include "acquisition/HandOff.h"
#include "acquisition/LogicalPacket.h"
#include "acquisition/Notifier.h"
#include "acquisition/NumberText.h"
#include "acquisition/PacketSemaphore.h"
#include "acquisition/ProcessingThread.h"
#include "acquisition/SerialDevices.h"
#include "recording/DerivedFiles.h"
#include "recording/ProgramVersion.h"
#include "network/StationPublisher.h"
#include "recording/IntermagnetDataFile.h"
#include "recording/SystemMessage.h"
#include "recording/TextWithTimeDataFile.h"

#include <QCoreApplication>

#include <charconv>
#include <exception>
#include <filesystem>

namespace {

constexpr const char* ArchiveExtension = "orv";

// The system's reason for a port failure: the text of its error code when there is one.
std::string SystemReasonOf(const std::exception& error) {
    if (const auto* basic = dynamic_cast<const EBasicException*>(&error);
        basic && basic->ErrorCode() != 0)
        return SystemMessage(basic->ErrorCode());
    return error.what();
}

// What the station tells its collectors about itself.
TStationMeta MetaOf(const TRunSettings& settings) {
    const TIntermagnetHeader& header = settings.IntermagnetHeader;
    TStationMeta meta;
    meta.Station = settings.Network.StationId;
    meta.IDC = header.IDC;
    meta.COMP = header.COMP;
    meta.GIN = header.GIN;
    meta.COLA = header.COLA;
    meta.LONG = header.LONG;
    meta.DECBAS = header.DECBAS;
    meta.Interval = settings.MinuteOr5Seconds != 0 ? 5 : 60;
    meta.Intermagnet = settings.AutoCreateIntermagnet;
    // The run's own values (not the texts typed in the window, which the headless station does
    // not keep), each in a text that reads back to the same value, so that a collector's filter
    // computes what the run's computes.
    for (const double coefficient : settings.FilterCoefficients)
        meta.Coefficients.push_back(FormatShortest(coefficient));
    meta.Iaga = settings.Iaga;
    meta.ImagCdf = settings.ImagCdf;
    meta.Program = ProgramNameAndVersion();
    return meta;
}

// The three values of an INTERMAGNET record ("%7d %7d %7d 999999", tenths of nT).
bool RecordValues(const std::string& record, double& x, double& y, double& z) {
    const char* at = record.data();
    const char* end = at + record.size();
    for (double* value : {&x, &y, &z}) {
        while (at != end && *at == ' ') ++at;
        long tenths = 0;
        const auto [next, error] = std::from_chars(at, end, tenths);
        if (error != std::errc()) return false;
        *value = static_cast<double>(tenths) / 10.0;
        at = next;
    }
    return true;
}

}  // namespace

TAcquisitionRun::TAcquisitionRun(TRunSettings settings, TSampleHandler& handler)
    : FSettings(std::move(settings)), FHandler(handler) {}

TAcquisitionRun::~TAcquisitionRun() {
    try {
        Stop();
    } catch (const std::exception& error) {
        Notifier().Report(TReportKind::WriteError, error.what());
    }
}

std::string TAcquisitionRun::PortName() const { return COMPortName(FSettings.PortSettings.COMPort); }

bool TAcquisitionRun::HasObjects() const {
    return FSemaphore || FProcessing || FDerived || FArchiveFile || FReader || FPublisher;
}

void TAcquisitionRun::CreateSemaphoreAndProcessing() {
    FSemaphore = std::make_unique<TPacketSemaphore>(0, TPacketSemaphore::DefaultMaximum);
    // The processing thread creates the packet queue, so it must exist before the reader.
    FProcessing = std::make_unique<TProcessingThread>(*FSemaphore, FHandler);
    FProcessing->Start();
}

TDerivedSettings DerivedSettingsOf(const TRunSettings& settings) {
    TDerivedSettings derived;
    derived.Intermagnet = settings.AutoCreateIntermagnet;
    derived.MinuteOr5Seconds = settings.MinuteOr5Seconds;
    derived.IntermagnetHeader = settings.IntermagnetHeader;
    derived.FilterCoefficients = settings.FilterCoefficients;
    derived.Iaga = settings.Iaga;
    derived.ImagCdf = settings.ImagCdf;
    return derived;
}

void TAcquisitionRun::CreateWriters() {
    FDerived = std::make_unique<TDerivedFiles>(DerivedSettingsOf(FSettings));
    for (const std::string& notice : FDerived->Notices())
        Notifier().Report(TReportKind::SettingsError, notice);
    FArchiveFile = std::make_unique<TTextWithTimeDataFile>();
    FArchiveFile->SetExtension(ArchiveExtension);
    // Before the first line: it counts what the archive holds beyond its acknowledged position.
    if (FSettings.Network.Enabled()) {
        TPublisherOptions options;
        options.Network = FSettings.Network;
        options.BaseDirectory = std::filesystem::current_path().string();
        options.Meta = MetaOf(FSettings);
        options.Version = QCoreApplication::applicationVersion().toStdString();
        FPublisher = std::make_unique<TStationPublisher>(std::move(options));
    }
}

bool TAcquisitionRun::IntermagnetRefused() const {
    return FDerived && FDerived->IntermagnetRefused();
}

TIntermagnetDataFile* TAcquisitionRun::IntermagnetFile() const {
    return FDerived ? FDerived->IntermagnetFile() : nullptr;
}

TIagaDataFile* TAcquisitionRun::IagaSecondFile() const {
    return FDerived ? FDerived->IagaSecondFile() : nullptr;
}

TIagaDataFile* TAcquisitionRun::IagaMinuteFile() const {
    return FDerived ? FDerived->IagaMinuteFile() : nullptr;
}

void TAcquisitionRun::TrialOpen() {
    const std::string name = PortName();
    TCOMPort port;
    try {
        port.Open(name);
    } catch (const std::exception& error) {
        const std::string device = port.DevicePath().empty() ? ResolveSerialDevice(name)
                                                             : port.DevicePath();
        throw EPortOpenError("Could not open COM port: " + name,
                             device + ": " + SystemReasonOf(error));
    }
    port.Close();
}

void TAcquisitionRun::StartReader() {
    FReader = std::make_unique<TComPortThread>(FSettings.PortSettings,
                                               FProcessing->PacketQueue(), *FSemaphore);
    FReader->Start();
}

void TAcquisitionRun::Start() {
    CreateSemaphoreAndProcessing();
    CreateWriters();
    TrialOpen();
    StartReader();
}

void TAcquisitionRun::Stop() {
    std::exception_ptr failure;
    auto step = [&failure](bool always, auto&& action) {
        if (failure && !always) return;
        try {
            action();
        } catch (...) {
            if (!failure) failure = std::current_exception();
        }
    };
    // Reader first: nothing is queued after the processing thread has been asked to stop.
    step(false, [this] {
        if (!FReader) return;
        FReader->RequestStop();
        WaitServingHandOffs(*FReader);
        FFinalLineCounts = LineCounts();
        FReader.reset();
    });
    // The processing thread drains the queue; its hand-offs are served while we wait.
    step(false, [this] {
        if (!FProcessing) return;
        FProcessing->RequestStop();
        WaitServingHandOffs(*FProcessing);
        FProcessing.reset();
    });
    // The files are closed even after a failed step: a file left open while the station is
    // idle would hold its last lines back from other readers.
    step(true, [this] {
        if (!FDerived) return;
        const std::unique_ptr<TDerivedFiles> derived = std::move(FDerived);
        derived->Finish();
    });
    step(true, [this] {
        if (!FArchiveFile) return;
        const std::unique_ptr<TTextWithTimeDataFile> file = std::move(FArchiveFile);
        file->Finish();
    });
    // Last: every recorded line is in the archive, and what the broker has not taken by the
    // end of this short drain is published at the next start.
    step(true, [this] {
        if (!FPublisher) return;
        const std::unique_ptr<TStationPublisher> publisher = std::move(FPublisher);
        publisher->Stop(std::chrono::milliseconds(1500));
    });
    if (!FProcessing && !FReader) FSemaphore.reset();
    if (failure) std::rethrow_exception(failure);
}

TReaderLineCounts TAcquisitionRun::LineCounts() const {
    if (!FReader) return FFinalLineCounts;
    const std::uint64_t dropped = FReader->LinesDropped();
    const std::uint64_t unparseable = FReader->LinesUnparseable();
    return {unparseable, dropped > unparseable ? dropped - unparseable : 0};
}

TSampleRecord TAcquisitionRun::RecordSample(const TLogicalPacket& packet) {
    if (!FArchiveFile || !FDerived) throw std::logic_error("The run has no open files");
    TSampleRecord record;
    FArchiveFile->WriteDateFile(packet.Line(), packet.TimeStamp());
    record.ArchiveFileName = FArchiveFile->GetFileName();
    // The publisher hears of the line as soon as the archive holds it, whatever the derived
    // files make of it.
    if (FPublisher) FPublisher->LineRecorded(record.ArchiveFileName);
    FDerived->Record(packet.Values(), packet.TimeStamp(), &record);
    double x = 0, y = 0, z = 0;
    if (FPublisher && !record.IntermagnetLine.empty() &&
        RecordValues(record.IntermagnetLine, x, y, z))
        FPublisher->MinuteRecorded(FDerived->IntermagnetFile()->LastTime(), x, y, z);
    return record;
}
