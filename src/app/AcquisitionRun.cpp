#include "app/AcquisitionRun.h"

#include "acquisition/BasicException.h"
#include "acquisition/COMPort.h"
#include "acquisition/ComPortThread.h"
#include "acquisition/HandOff.h"
#include "acquisition/LogicalPacket.h"
#include "acquisition/Notifier.h"
#include "acquisition/PacketSemaphore.h"
#include "acquisition/ProcessingThread.h"
#include "acquisition/SerialDevices.h"
#include "app/DerivedFiles.h"
#include "recording/SystemMessage.h"
#include "recording/TextWithTimeDataFile.h"

#include <exception>

namespace {

constexpr const char* ArchiveExtension = "orv";

// The system's reason for a port failure: the text of its error code when there is one.
std::string SystemReasonOf(const std::exception& error) {
    if (const auto* basic = dynamic_cast<const EBasicException*>(&error);
        basic && basic->ErrorCode() != 0)
        return SystemMessage(basic->ErrorCode());
    return error.what();
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
    return FSemaphore || FProcessing || FDerived || FArchiveFile || FReader;
}

void TAcquisitionRun::CreateSemaphoreAndProcessing() {
    FSemaphore = std::make_unique<TPacketSemaphore>(0, TPacketSemaphore::DefaultMaximum);
    // The processing thread creates the packet queue, so it must exist before the reader.
    FProcessing = std::make_unique<TProcessingThread>(*FSemaphore, FHandler);
    FProcessing->Start();
}

void TAcquisitionRun::CreateWriters() {
    TDerivedSettings derived;
    derived.Intermagnet = FSettings.AutoCreateIntermagnet;
    derived.MinuteOr5Seconds = FSettings.MinuteOr5Seconds;
    derived.IntermagnetHeader = FSettings.IntermagnetHeader;
    derived.FilterCoefficients = FSettings.FilterCoefficients;
    derived.Iaga = FSettings.Iaga;
    FDerived = std::make_unique<TDerivedFiles>(derived);
    for (const std::string& notice : FDerived->Notices())
        Notifier().Report(TReportKind::SettingsError, notice);
    FArchiveFile = std::make_unique<TTextWithTimeDataFile>();
    FArchiveFile->SetExtension(ArchiveExtension);
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
    FDerived->Record(packet.Values(), packet.TimeStamp(), &record);
    return record;
}
