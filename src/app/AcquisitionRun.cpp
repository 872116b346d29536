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
#include "app/ProgramVersion.h"
#include "recording/IagaDataFile.h"
#include "recording/IntermagnetDataFile.h"
#include "recording/SystemMessage.h"
#include "recording/TextWithTimeDataFile.h"

#include <exception>
#include <optional>
#include <span>

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
    return FSemaphore || FProcessing || FIntermagnetFile || FArchiveFile || FIagaSecondFile ||
           FIagaMinuteFile || FReader;
}

void TAcquisitionRun::CreateSemaphoreAndProcessing() {
    FSemaphore = std::make_unique<TPacketSemaphore>(0, TPacketSemaphore::DefaultMaximum);
    // The processing thread creates the packet queue, so it must exist before the reader.
    FProcessing = std::make_unique<TProcessingThread>(*FSemaphore, FHandler);
    FProcessing->Start();
}

void TAcquisitionRun::CreateWriters() {
    FFilter = TFilter(FSettings.FilterCoefficients);
    FNotices.clear();
    const TIntermagnetHeader& header = FSettings.IntermagnetHeader;
    FIntermagnetFile = std::make_unique<TIntermagnetDataFile>(
        FSettings.MinuteOr5Seconds != 0 ? 5 : 60, header.IDC, header.COMP, header.GIN,
        header.COLA, header.LONG, header.DECBAS);
    FIntermagnetFile->SetExtension(FIntermagnetFile->IDC());
    FArchiveFile = std::make_unique<TTextWithTimeDataFile>();
    FArchiveFile->SetExtension(ArchiveExtension);
    CreateIagaWriters();
}

void TAcquisitionRun::CreateIagaWriters() {
    const TIagaSettings& iaga = FSettings.Iaga;
    if (!iaga.SecondFiles && !iaga.MinuteFiles) return;
    const std::string& code = FSettings.IntermagnetHeader.IDC;
    if (const std::optional<TIagaProblem> problem = CheckIagaHeader(code, iaga.Header)) {
        FNotices.push_back("No IAGA-2002 files in this run: " + problem->Text);
        return;
    }
    const std::string program = ProgramNameAndVersion();
    if (iaga.SecondFiles)
        FIagaSecondFile = std::make_unique<TIagaDataFile>(
            TIagaDataFile::SecondInterval, code, iaga.Header,
            IagaStationComments(program, TIagaDataFile::SecondInterval, 0));
    if (!iaga.MinuteFiles) return;
    if (FSettings.MinuteOr5Seconds != 0) {
        FNotices.push_back("No IAGA-2002 minute files in this run: they need one-minute values "
                           "(INTERMAGNET parameters)");
        return;
    }
    if (FFilter.Coefficients().empty())
        FNotices.push_back("No IAGA-2002 minute values in this run: there are no filter "
                           "coefficients");
    FIagaMinuteFile = std::make_unique<TIagaDataFile>(
        TIagaDataFile::MinuteInterval, code, iaga.Header,
        IagaStationComments(program, TIagaDataFile::MinuteInterval,
                            FFilter.Coefficients().size()));
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
        if (!FIntermagnetFile) return;
        const std::unique_ptr<TIntermagnetDataFile> file = std::move(FIntermagnetFile);
        file->Finish();
    });
    for (std::unique_ptr<TIagaDataFile>* iaga : {&FIagaSecondFile, &FIagaMinuteFile})
        step(true, [iaga] {
            if (!*iaga) return;
            const std::unique_ptr<TIagaDataFile> file = std::move(*iaga);
            file->Finish();
        });
    step(true, [this] {
        if (!FArchiveFile) return;
        const std::unique_ptr<TTextWithTimeDataFile> file = std::move(FArchiveFile);
        file->Finish();
    });
    if (!FProcessing && !FReader) FSemaphore.reset();
    if (failure) std::rethrow_exception(failure);
}

TSampleRecord TAcquisitionRun::RecordSample(const TLogicalPacket& packet) {
    if (!FArchiveFile || !FIntermagnetFile) throw std::logic_error("The run has no open files");
    TSampleRecord record;
    FArchiveFile->WriteDateFile(packet.Line(), packet.TimeStamp());
    record.ArchiveFileName = FArchiveFile->GetFileName();

    // Each derived product is tried whatever became of another; the first failure is raised.
    std::exception_ptr failure;
    auto attempt = [&failure](auto&& step) {
        try {
            step();
        } catch (...) {
            if (!failure) failure = std::current_exception();
        }
    };
    const std::span<const double> values = packet.Values();
    const bool intermagnet = FSettings.AutoCreateIntermagnet;
    if (intermagnet || FIagaMinuteFile) {
        std::optional<TFilterValue> output;
        attempt([&] { output = FFilter.FilterSample(values.first(3), packet.TimeStamp()); });
        if (output && intermagnet)
            attempt([&] { FIntermagnetFile->WriteDataFileT(*output, record.IntermagnetLine); });
        if (output && FIagaMinuteFile) attempt([&] { FIagaMinuteFile->WriteFilterOutput(*output); });
    }
    if (intermagnet && FIntermagnetFile->Opened())
        record.IntermagnetFileName = FIntermagnetFile->GetFileName();
    if (FIagaSecondFile) attempt([&] { FIagaSecondFile->WriteSample(values, packet.TimeStamp()); });
    if (FIagaSecondFile && FIagaSecondFile->Opened())
        record.IagaSecondFileName = FIagaSecondFile->GetFileName();
    if (FIagaMinuteFile && FIagaMinuteFile->Opened())
        record.IagaMinuteFileName = FIagaMinuteFile->GetFileName();
    if (failure) std::rethrow_exception(failure);
    return record;
}
