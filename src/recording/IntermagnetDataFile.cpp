#include "recording/IntermagnetDataFile.h"

#include "acquisition/BasicException.h"
#include "acquisition/Notifier.h"
#include "acquisition/NumberText.h"
#include "acquisition/RuntimeErrors.h"
#include "recording/DateFormat.h"
#include "recording/RecordStamp.h"
#include "settings/TextCut.h"

#include <charconv>
#include <cmath>

const std::string IntermagnetMissingRecord = "9999999 9999999 9999999 999999";

namespace {

constexpr const char* ClassText = "TIntermagnetDataFile";
constexpr std::int32_t SecondsPerHour = 3600;

// Zero-padded on the left to `width`: the header's numeric fields have fixed columns.
std::string ZeroPadded(const std::string& text, std::size_t width) {
    return text.size() < width ? std::string(width - text.size(), '0') + text : text;
}

// A component in tenths of nT, seven columns. A value that needs more columns, or that would
// read as the missing marker, is written as that marker: a record keeps its 30 characters and
// a fault of the instrument is never taken for a measured value.
std::string Tenths(double value) {
    constexpr double Lowest = -999999, Marker = 9999999;
    const double tenths = std::nearbyint(value * 10.0);  // halves go to the even neighbour
    if (!(tenths >= Lowest && tenths < Marker)) return "9999999";  // NaN included
    char digits[24];
    const auto [end, error] =
        std::to_chars(digits, digits + sizeof digits, static_cast<std::int64_t>(tenths));
    (void)error;
    return PadLeft(std::string_view(digits, static_cast<std::size_t>(end - digits)), 7);
}

// Runs `step`; a failure is re-raised under the names of the writer's inner operations.
template <typename TStep>
void AsWriteDateFile(TStep step) {
    try {
        step();
    } catch (const std::exception& error) {
        throw EBasicException::CreateFrom(error, 0, "TIntermagnetDateFile", "WriteDateFile");
    }
}

}  // namespace

TIntermagnetDataFile::TIntermagnetDataFile(std::int32_t interval, const std::string& idc,
                                           const std::string& comp, const std::string& gin,
                                           const std::string& cola, const std::string& lon,
                                           const std::string& decbas)
    : FInterval(interval),
      FIDC(CutToLength(idc, 3)),
      FCOMP(CutToLength(comp, 4)),
      FGIN(CutToLength(gin, 3)),
      FCOLA(CutToLength(cola, 4)),
      FLONG(CutToLength(lon, 4)),
      FDECBAS(CutToLength(decbas, 6)) {
    if (interval <= 0 || (SecondsPerHour / 2) % interval != 0)
        throw EBasicException::Create(
            "The record interval must divide 1800 seconds, not " + std::to_string(interval), 0,
            ClassText, "Create");
}

TIntermagnetDataFile::~TIntermagnetDataFile() {
    try {
        Finish();
    } catch (const std::exception& error) {
        Notifier().Report(TReportKind::WriteError, error.what());
    } catch (...) {
    }
}

void TIntermagnetDataFile::WriteDataFileT(const TFilterValue& output, std::string& line) {
    line.clear();
    try {
        if (output.Values.size() < 3) throw ERangeError();
        const TFilterValue* out = &output;
        const TRecordStamp stamp = ToRecordStamp(out->Time);
        if (stamp.Seconds % FInterval != 0) return;
        const std::string record = DataRecord(out->Values[0], out->Values[1], out->Values[2]);
        const std::int32_t hour = stamp.Seconds / SecondsPerHour;
        const std::int32_t slot = (stamp.Seconds % SecondsPerHour) / FInterval;
        // Not after the last record written (the clock went back, a repeated stamp): dropped,
        // also across midnight, where it would close the new day's file and split it in two.
        if (FHasRecord && (stamp.Day < FLastRecordDay ||
                           (stamp.Day == FLastRecordDay && stamp.Seconds <= FLastRecordSeconds)))
            return;

        CloseIfRemoved();
        if (Opened() && stamp.Day != FFileDay) {
            // A new day: finish this file whole first.
            try {
                CompleteBlock();
            } catch (...) {
                CloseFile();
                throw;
            }
            CloseFile();
        }
        if (!Opened()) {
            OpenDayFile(stamp.Value, stamp.Day);
        } else if (FBlockOpen) {
            if (hour < FBlockHour || (hour == FBlockHour && slot < FNextSlot)) return;
            // Hours without records between two blocks get blocks of missing records.
            for (std::int32_t empty = FBlockHour + 1; empty < hour; ++empty)
                WriteHeader(static_cast<double>(stamp.Day) +
                            static_cast<double>(empty * SecondsPerHour) / SecondsPerDay);
            if (hour != FBlockHour) WriteHeader(stamp.Value);
        }
        if (!FBlockOpen) WriteHeader(stamp.Value);
        WriteMissing(slot - FNextSlot);  // a gap inside the hour keeps the positions
        AsWriteDateFile([&] { WriteOnLine(record); });
        line = record;
        FLastTime = stamp.Value;
        FHasRecord = true;
        FLastRecordDay = stamp.Day;
        FLastRecordSeconds = stamp.Seconds;
        CountLineAndReopen();
    } catch (const std::exception& error) {
        throw EBasicException::CreateFrom(error, 0, ClassText, "WriteDataFileT");
    }
}

void TIntermagnetDataFile::OpenDayFile(TDateTime recordTime, std::int64_t day) {
    const std::string directory =
        FBaseDirectory + "INTERMAGNET/" + FormatDateTime("yyyy/mm", recordTime);
    FLineState = 0;
    FBlockOpen = false;
    OpenNewFile([&] { return MakeFileName(Extension(), directory, recordTime, "MMMDDYY"); });
    FFileDay = day;
    FLineCount = 0;
}

void TIntermagnetDataFile::WriteHeader(TDateTime time) {
    const TRecordStamp stamp = ToRecordStamp(time);
    CompleteBlock();
    AsWriteDateFile([&] {
        if (FLineState == 2) {
            FWriteLn("  " + IntermagnetMissingRecord);
            FLineState = 1;
        }
        FWriteLn(HeaderLine(stamp.Value));
    });
    FLineState = 1;
    FBlockOpen = true;
    FBlockHour = stamp.Seconds / SecondsPerHour;
    FNextSlot = 0;
    WriteMissing((stamp.Seconds % SecondsPerHour) / FInterval);
}

void TIntermagnetDataFile::WriteMissing(std::int32_t count) {
    AsWriteDateFile([&] {
        for (std::int32_t i = 0; i < count; ++i) {
            WriteOnLine(IntermagnetMissingRecord);
        }
    });
}

// One record at the next position: first or second half of a line. The state follows each
// write that succeeded, so after a failure the next call continues where the file stops.
void TIntermagnetDataFile::WriteOnLine(const std::string& record) {
    if (FLineState == 2) {
        FWriteLn("  " + record);
        FLineState = 1;
    } else {
        FWriteString(record);
        FLineState = 2;
    }
    ++FNextSlot;
}

void TIntermagnetDataFile::CompleteBlock() {
    if (FBlockOpen && FNextSlot < RecordsPerHour()) WriteMissing(RecordsPerHour() - FNextSlot);
}

void TIntermagnetDataFile::Finish() {
    if (!Opened()) return;
    std::string failure;
    try {
        CompleteBlock();
    } catch (const std::exception& error) {
        failure = error.what();
    }
    try {
        CloseFile();
    } catch (const std::exception& error) {
        if (failure.empty()) failure = error.what();
    }
    FBlockOpen = false;
    if (!failure.empty()) throw EBasicException::Create(failure, 0, ClassText, "Finish");
}

int TIntermagnetDataFile::DayOfYear(TDateTime time) {
    static constexpr int DaysBeforeMonth[12] = {0,   31,  59,  90,  120, 151,
                                                181, 212, 243, 273, 304, 334};
    const TDateParts date = DecodeDate(time);
    return DaysBeforeMonth[date.Month - 1] + date.Day +
           (IsLeapYear(date.Year) && date.Month > 2 ? 1 : 0);
}

std::string TIntermagnetDataFile::HeaderLine(TDateTime time) const {
    const std::string dayOfYear = std::to_string(DayOfYear(time));
    return FIDC + " " + UpperCaseAscii(FormatDateTime("mmmddyy", time)) + " " +
           PadLeft(dayOfYear, 3) + " " + FormatDateTime("hh", time) + " " + FCOMP + " R " + FGIN +
           " " + ZeroPadded(FCOLA, 4) + ZeroPadded(FLONG, 4) + " " + ZeroPadded(FDECBAS, 6) +
           " RRRRRRRRRRRRRRRR";
}

std::string TIntermagnetDataFile::DataRecord(double x, double y, double z) {
    return Tenths(x) + " " + Tenths(y) + " " + Tenths(z) + " 999999";
}
