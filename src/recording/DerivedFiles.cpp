#include "recording/DerivedFiles.h"

#include "recording/ProgramVersion.h"
#include "recording/IagaDataFile.h"
#include "recording/ImagCdfWriter.h"
#include "recording/IntermagnetDataFile.h"
#include "settings/SensorComponents.h"

#include <exception>
#include <optional>

namespace {

// Runs one product's step; its failure is kept (the first one only) so the others still run.
template <typename TStep>
void Attempt(std::exception_ptr& failure, TStep&& step) {
    try {
        step();
    } catch (...) {
        if (!failure) failure = std::current_exception();
    }
}

}  // namespace

TDerivedFiles::TDerivedFiles(const TDerivedSettings& settings)
    : FIntermagnet(settings.Intermagnet), FFilter(settings.FilterCoefficients) {
    const TIntermagnetHeader& header = settings.IntermagnetHeader;
    // A header that does not fit its fixed columns would make files no reader can take apart.
    if (FIntermagnet && !FFilter.Coefficients().empty()) {
        std::string problem = CheckIntermagnetHeader(header).Text;
        if (problem.empty()) {
            if (const auto mismatch = CheckIntermagnetComponents(header.COMP, settings.Iaga.Header))
                problem = mismatch->Text;
        }
        if (!problem.empty()) {
            FIntermagnetRefused = true;
            FIntermagnet = false;
            FNotices.push_back("INTERMAGNET header: " + problem +
                               "; no INTERMAGNET file is written in this run");
        }
    }
    FIntermagnetFile = std::make_unique<TIntermagnetDataFile>(
        settings.MinuteOr5Seconds != 0 ? 5 : 60, header.IDC, header.COMP, header.GIN,
        header.COLA, header.LONG, header.DECBAS);
    FIntermagnetFile->SetExtension(FIntermagnetFile->IDC());
    CreateIagaWriters(settings);
    CreateImagCdfWriters(settings);
}

TDerivedFiles::~TDerivedFiles() = default;

void TDerivedFiles::CreateIagaWriters(const TDerivedSettings& settings) {
    const TIagaSettings& iaga = settings.Iaga;
    if (!iaga.SecondFiles && !iaga.MinuteFiles) return;
    const std::string& code = settings.IntermagnetHeader.IDC;
    std::optional<TIagaProblem> problem = CheckIagaHeader(code, iaga.Header);
    if (!problem) problem = CheckReportedComponents(iaga.Header);
    if (problem) {
        FNotices.push_back("No IAGA-2002 files in this run: " + problem->Text);
        return;
    }
    const std::string program =
        settings.Program.empty() ? ProgramNameAndVersion() : settings.Program;
    if (iaga.SecondFiles)
        FIagaSecondFile = std::make_unique<TIagaDataFile>(
            TIagaDataFile::SecondInterval, code, iaga.Header,
            IagaStationComments(program, TIagaDataFile::SecondInterval, 0));
    if (!iaga.MinuteFiles) return;
    if (settings.MinuteOr5Seconds != 0) {
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
                            FFilter.Coefficients().size()),
        FFilter.Coefficients().size());
}

void TDerivedFiles::CreateImagCdfWriters(const TDerivedSettings& settings) {
    const TImagCdfSettings& imagCdf = settings.ImagCdf;
    if (!imagCdf.SecondFiles && !imagCdf.MinuteFiles) return;
    const std::string& code = settings.IntermagnetHeader.IDC;
    const std::vector<TIagaProblem> problems = CheckImagCdfSettings(code, settings.Iaga.Header, imagCdf);
    if (!problems.empty()) {
        std::string reasons;
        for (const TIagaProblem& problem : problems) reasons += (reasons.empty() ? "" : "; ") + problem.Text;
        FNotices.push_back("No ImagCDF files in this run: " + reasons);
        return;
    }
    const TImagCdfHeader header = ImagCdfHeaderFrom(code, settings.Iaga.Header, imagCdf);
    if (imagCdf.SecondFiles) FImagCdfSecondFile = std::make_unique<TImagCdfWriter>(TImagCdfWriter::SecondInterval, header);
    if (imagCdf.MinuteFiles) {
        if (settings.MinuteOr5Seconds != 0)
            FNotices.push_back("No ImagCDF minute files in this run: they need one-minute values "
                               "(INTERMAGNET parameters)");
        else
            FImagCdfMinuteFile = std::make_unique<TImagCdfWriter>(TImagCdfWriter::MinuteInterval, header);
    }
    // A live run keeps each day on disk as it goes; SetBuffered(true) turns that off.
    for (TImagCdfWriter* writer : {FImagCdfSecondFile.get(), FImagCdfMinuteFile.get()})
        if (writer) writer->SetSpooled(true);
}

void TDerivedFiles::Record(std::span<const double> values, TDateTime time,
                           TDerivedRecord* record) {
    std::string unused;
    std::exception_ptr failure;
    auto attempt = [&failure](auto&& step) { Attempt(failure, step); };
    if (FIntermagnet || FIagaMinuteFile || FImagCdfMinuteFile) {
        std::span<const TFilterValue> outputs;
        // Only outputs on a record's time are computed: the writers take no others.
        const std::int32_t recordSeconds = FIntermagnet ? FIntermagnetFile->Interval() : 60;
        attempt([&] { outputs = FFilter.FilterSample(values.first(3), time, recordSeconds); });
        for (const TFilterValue& output : outputs) {
            if (!InRecordRange(output.Time)) continue;
            if (FIntermagnet)
                attempt([&] {
                    FIntermagnetFile->WriteDataFileT(output, record ? record->IntermagnetLine : unused);
                });
            if (FIagaMinuteFile) attempt([&] { FIagaMinuteFile->WriteFilterOutput(output); });
            if (FImagCdfMinuteFile) attempt([&] { FImagCdfMinuteFile->WriteFilterOutput(output); });
        }
    }
    if (InRecordRange(time)) {
        if (FIagaSecondFile) attempt([&] { FIagaSecondFile->WriteSample(values, time); });
        if (FImagCdfSecondFile) attempt([&] { FImagCdfSecondFile->WriteSample(values, time); });
    }
    if (record) {
        if (FIntermagnet && FIntermagnetFile->Opened())
            record->IntermagnetFileName = FIntermagnetFile->GetFileName();
        if (FIagaSecondFile && FIagaSecondFile->Opened())
            record->IagaSecondFileName = FIagaSecondFile->GetFileName();
        if (FIagaMinuteFile && FIagaMinuteFile->Opened())
            record->IagaMinuteFileName = FIagaMinuteFile->GetFileName();
        if (FImagCdfSecondFile) record->ImagCdfSecondFileName = FImagCdfSecondFile->FileName();
        if (FImagCdfMinuteFile) record->ImagCdfMinuteFileName = FImagCdfMinuteFile->FileName();
    }
    if (failure) std::rethrow_exception(failure);
}

void TDerivedFiles::SetRecordRange(TDateTime from, TDateTime to) {
    FRangeFrom = from;
    FRangeTo = to;
}

bool TDerivedFiles::InRecordRange(TDateTime time) const {
    // Stamps and bounds lie on whole seconds: half a second decides without rounding doubts.
    constexpr double HalfSecond = 0.5 / SecondsPerDay;
    return (FRangeFrom == 0 || time > FRangeFrom - HalfSecond) &&
           (FRangeTo == 0 || time < FRangeTo - HalfSecond);
}

void TDerivedFiles::SetBaseDirectory(const std::string& directory) {
    const std::string base =
        directory.empty() || directory.back() == '/' ? directory : directory + "/";
    FIntermagnetFile->SetBaseDirectory(base);
    for (TIagaDataFile* file : {FIagaSecondFile.get(), FIagaMinuteFile.get()})
        if (file) file->SetBaseDirectory(base);
    for (TImagCdfWriter* writer : {FImagCdfSecondFile.get(), FImagCdfMinuteFile.get()})
        if (writer) writer->SetBaseDirectory(base);
}

void TDerivedFiles::SetBuffered(bool buffered) {
    for (TTextDataFile* file : {static_cast<TTextDataFile*>(FIntermagnetFile.get()),
                                static_cast<TTextDataFile*>(FIagaSecondFile.get()),
                                static_cast<TTextDataFile*>(FIagaMinuteFile.get())})
        if (file) file->SetBuffered(buffered);
    for (TImagCdfWriter* writer : {FImagCdfSecondFile.get(), FImagCdfMinuteFile.get()})
        if (writer) writer->SetSpooled(!buffered);
}

void TDerivedFiles::Finish() {
    std::exception_ptr failure;
    for (TTextWithTimeDataFile* file :
         {static_cast<TTextWithTimeDataFile*>(FIntermagnetFile.get()),
          static_cast<TTextWithTimeDataFile*>(FIagaSecondFile.get()),
          static_cast<TTextWithTimeDataFile*>(FIagaMinuteFile.get())})
        if (file) Attempt(failure, [file] { file->Finish(); });
    for (TImagCdfWriter* writer : {FImagCdfSecondFile.get(), FImagCdfMinuteFile.get()})
        if (writer) Attempt(failure, [writer] { writer->Finish(); });
    if (failure) std::rethrow_exception(failure);
}
