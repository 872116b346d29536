#include "recording/ImagCdfWriter.h"

#include "acquisition/BasicException.h"
#include "acquisition/RuntimeErrors.h"
#include "recording/AtomicFile.h"
#include "recording/DateFormat.h"
#include "recording/IagaFormat.h"
#include "recording/RecordStamp.h"
#include "recording/SystemMessage.h"

#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr const char* ClassText = "TImagCdfWriter";
constexpr std::int64_t SecondsInDay = 86400;
constexpr std::int64_t UnixEpochDay = 25569;  // 1970-01-01 in days since 1899-12-30
constexpr std::size_t RecordBytes = 3 * sizeof(double);
constexpr std::array<double, 3> MissingRecord{ImagCdfFillValue, ImagCdfFillValue, ImagCdfFillValue};

void EncodeRecord(const std::array<double, 3>& record, char* bytes) {
    for (std::size_t i = 0; i < 3; ++i) {
        const std::uint64_t bits = std::bit_cast<std::uint64_t>(record[i]);
        for (std::size_t b = 0; b < 8; ++b) bytes[8 * i + b] = static_cast<char>(bits >> (8 * b));
    }
}

std::array<double, 3> DecodeRecord(const char* bytes) {
    std::array<double, 3> record{};
    for (std::size_t i = 0; i < 3; ++i) {
        std::uint64_t bits = 0;
        for (std::size_t b = 0; b < 8; ++b)
            bits |= static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[8 * i + b])) << (8 * b);
        record[i] = std::bit_cast<double>(bits);
    }
    return record;
}

void WriteAt(const std::string& path, std::uint64_t offset, const char* bytes, std::size_t size) {
    const int handle = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (handle < 0) throw EInOutError(path + ": " + SystemMessage(errno));
    const ssize_t written = ::pwrite(handle, bytes, size, static_cast<off_t>(offset));
    const int error = written < 0 ? errno : ENOSPC;
    ::close(handle);
    if (written != static_cast<ssize_t>(size)) throw EInOutError(path + ": " + SystemMessage(error));
}

}  // namespace

TImagCdfWriter::TImagCdfWriter(std::int32_t interval, const TImagCdfHeader& header)
    : FInterval(interval), FHeader(header) {}

TImagCdfWriter::~TImagCdfWriter() = default;

void TImagCdfWriter::WriteSample(std::span<const double> values, TDateTime time) {
    try {
        if (values.size() < 3 || !std::isfinite(time)) throw ERangeError();
        const TDaySplit split = SplitDateTime(time);
        WriteRecord(split.Day, static_cast<std::int32_t>(split.Milliseconds / 1000), values);
    } catch (const std::exception& error) {
        throw EBasicException::CreateFrom(error, 0, ClassText, "WriteRecord");
    }
}

void TImagCdfWriter::WriteFilterOutput(const TFilterValue& output) {
    try {
        if (output.Values.size() < 3) throw ERangeError();
        const TRecordStamp stamp = ToRecordStamp(output.Time);
        if (stamp.Seconds % FInterval != 0) return;
        WriteRecord(stamp.Day, stamp.Seconds / FInterval, output.Values);
    } catch (const std::exception& error) {
        throw EBasicException::CreateFrom(error, 0, ClassText, "WriteRecord");
    }
}

void TImagCdfWriter::WriteRecord(std::int64_t day, std::int32_t slot, std::span<const double> values) {
    if (FHasDay && (day < FDay || (day == FDay && slot <= FLastSlot))) return;
    std::exception_ptr failure;
    if (!FHasDay || day != FDay) {
        // The day is over: its file is written whole before the new day starts, and a failure
        // is raised only after the new day has its record.
        if (FHasDay) {
            try {
                WriteDay(true);
            } catch (...) {
                failure = std::current_exception();
            }
        }
        StartDay(day);
    }
    // A day continued from its spool takes only records after the spooled ones.
    if (slot <= FLastSlot) {
        if (failure) std::rethrow_exception(failure);
        return;
    }
    // The values the IAGA-2002 files hold: the files of both formats agree.
    FValues[slot] = {IagaValueAsRead(values[0]), IagaValueAsRead(values[1]), IagaValueAsRead(values[2])};
    FLastSlot = slot;
    if (FSpooled) SpoolRecord(slot);
    if (failure) std::rethrow_exception(failure);
}

std::string TImagCdfWriter::Folder(std::int64_t day) const {
    return "ImagCDF/" + FormatDateTime("yyyy/mm/", static_cast<TDateTime>(day));
}

void TImagCdfWriter::StartDay(std::int64_t day) {
    FHasDay = true;
    FDay = day;
    FLastSlot = -1;
    FValues.assign(static_cast<std::size_t>(RecordsPerDay()), MissingRecord);
    FFileName = Folder(day) + ImagCdfFileName(FHeader, TImagCdfDay{day, FInterval, {}});
    FSpoolPath.clear();
    if (!FSpooled) return;
    FSpoolPath = FBaseDirectory + FFileName + ".spool";
    std::error_code ignored;
    fs::create_directories(fs::path(FSpoolPath).parent_path(), ignored);
    // An earlier run of the day left its records: this run continues after them.
    const std::string earlier = ReadSmallFile(FSpoolPath);
    if (earlier.size() == FValues.size() * RecordBytes) {
        for (std::size_t slot = 0; slot < FValues.size(); ++slot) {
            FValues[slot] = DecodeRecord(earlier.data() + slot * RecordBytes);
            if (FValues[slot] != MissingRecord) FLastSlot = static_cast<std::int32_t>(slot);
        }
        return;
    }
    std::string blank(FValues.size() * RecordBytes, '\0');
    for (std::size_t slot = 0; slot < FValues.size(); ++slot) EncodeRecord(MissingRecord, &blank[slot * RecordBytes]);
    WriteFileAtomically(FSpoolPath, blank);
}

void TImagCdfWriter::SpoolRecord(std::int32_t slot) {
    char bytes[RecordBytes];
    EncodeRecord(FValues[static_cast<std::size_t>(slot)], bytes);
    WriteAt(FSpoolPath, static_cast<std::uint64_t>(slot) * RecordBytes, bytes, RecordBytes);
}

void TImagCdfWriter::WriteDay(bool complete) {
    const std::int64_t dayStart = (FDay - UnixEpochDay) * SecondsInDay;
    // A date the data fixes, so that every writer of the same records writes the same bytes.
    const std::int64_t published = complete ? dayStart + SecondsInDay : dayStart + (FLastSlot + 1) * FInterval;
    const std::string content = ImagCdfDayFile(FHeader, TImagCdfDay{FDay, FInterval, FValues}, published);
    const std::string path = FBaseDirectory + FFileName;
    std::error_code ignored;
    fs::create_directories(fs::path(path).parent_path(), ignored);
    if (!complete) {
        WriteFileAtomically(path + ".partial", content, FSpooled);
        if (OnWritten) OnWritten(path + ".partial");
        return;
    }
    std::string target = path;
    const std::string stem = path.substr(0, path.size() - 4);  // without ".cdf"
    for (int number = 0; fs::exists(target, ignored); ++number) target = stem + "_" + std::to_string(number) + ".cdf";
    // A live day is flushed to disk; a conversion writes like the converter's text files.
    WriteFileAtomically(target, content, FSpooled);
    FFileName = target.substr(FBaseDirectory.size());
    if (OnWritten) OnWritten(target);
    fs::remove(path + ".partial", ignored);
    if (!FSpoolPath.empty()) fs::remove(FSpoolPath, ignored);
}

void TImagCdfWriter::Finish() {
    if (!FHasDay) return;
    // A later record starts the day again (from the spool when there is one), so a second
    // Finish never writes the same day twice.
    FHasDay = false;
    try {
        WriteDay(FLastSlot == RecordsPerDay() - 1);
    } catch (const std::exception& error) {
        throw EBasicException::CreateFrom(error, 0, ClassText, "Finish");
    }
}
