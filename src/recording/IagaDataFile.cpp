#include "recording/IagaDataFile.h"

#include "acquisition/BasicException.h"
#include "acquisition/RuntimeErrors.h"
#include "recording/DateFormat.h"
#include "recording/RecordStamp.h"
#include "recording/SystemMessage.h"

#include <cerrno>
#include <cmath>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* ClassText = "TIagaDataFile";
constexpr std::size_t LineWithEnd = IagaLineLength + 2;
// Missing records go out in runs of this many lines, one write each: a day's first file after
// noon starts with tens of thousands of them.
constexpr std::int32_t MissingBatch = 1024;

std::string Lower(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// Creates `path` only if no file of that name exists; false when one does.
bool ClaimNewFile(const std::string& path) {
    const int handle = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (handle < 0) {
        if (errno == EEXIST) return false;
        throw EInOutError(SystemMessage(errno));
    }
    ::close(handle);
    return true;
}

bool ReadAt(int handle, std::string& out, std::size_t length, off_t offset) {
    out.resize(length);
    std::size_t done = 0;
    while (done < length) {
        const ssize_t got = ::pread(handle, out.data() + done, length - done,
                                    offset + static_cast<off_t>(done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        done += static_cast<std::size_t>(got);
    }
    return true;
}

void AppendMissingValues(std::string& line) {
    for (int i = 0; i < 3; ++i) {
        line += "  ";
        line += IagaMissingValue;
    }
    line += "  ";
    line += IagaNotObservedValue;
}

}  // namespace

TIagaDataFile::TIagaDataFile(std::int32_t interval, const std::string& code,
                             const TIagaHeader& header, const std::vector<std::string>& comments,
                             std::size_t coefficients)
    : FInterval(interval), FCode(Lower(code)) {
    if (interval != SecondInterval && interval != MinuteInterval)
        throw EBasicException::Create("IAGA-2002 files hold one-second or one-minute records, not " +
                                          std::to_string(interval) + "-second ones",
                                      0, ClassText, "Create");
    const std::string head = IagaFileHead(code, header, interval, comments, coefficients);
    FHead = head.substr(0, head.size() - 2);  // FWriteLn adds the last line end
    SetExtension(Kind());
}

void TIagaDataFile::WriteSample(std::span<const double> values, TDateTime time) {
    try {
        if (values.size() < 3 || !std::isfinite(time)) throw ERangeError();
        const TDaySplit split = SplitDateTime(time);
        WriteRecord(split.Day, static_cast<std::int32_t>(split.Milliseconds / 1000), values);
    } catch (const std::exception& error) {
        throw EBasicException::Create(FileText() + ": " + error.what(), 0, ClassText, "WriteRecord");
    }
}

void TIagaDataFile::WriteFilterOutput(const TFilterValue& output) {
    try {
        if (output.Values.size() < 3) throw ERangeError();
        const TRecordStamp stamp = ToRecordStamp(output.Time);
        if (stamp.Seconds % FInterval != 0) return;
        WriteRecord(stamp.Day, stamp.Seconds / FInterval, output.Values);
    } catch (const std::exception& error) {
        throw EBasicException::Create(FileText() + ": " + error.what(), 0, ClassText, "WriteRecord");
    }
}

void TIagaDataFile::WriteRecord(std::int64_t day, std::int32_t slot,
                                std::span<const double> values) {
    if (FHasLast && (day < FLastDay || (day == FLastDay && slot <= FLastSlot))) return;
    CloseIfRemoved();
    if (Opened() && day != FFileDay) {
        // The day is over: its file is completed to its last record first.
        try {
            WriteMissingUpTo(RecordsPerDay());
        } catch (...) {
            CloseFile();
            throw;
        }
        CloseFile();
    }
    if (!Opened()) OpenFor(day, slot);
    if (slot < FNextSlot) return;
    WriteMissingUpTo(slot);

    FLine.clear();
    AppendIagaStamp(FLine, FDate, slot * FInterval);
    for (std::size_t i = 0; i < 3; ++i) AppendIagaValue(FLine, values[i]);
    FLine += "  ";  // F, in its nine columns
    FLine += IagaNotObservedValue;
    FWriteLn(FLine);
    FNextSlot = slot + 1;
    FHasLast = true;
    FLastDay = day;
    FLastSlot = slot;
    FLastTime = static_cast<double>(day) + static_cast<double>(slot * FInterval) / SecondsPerDay;
    CountLineAndReopen();
}

void TIagaDataFile::WriteMissingUpTo(std::int32_t slot) {
    while (FNextSlot < slot) {
        const std::int32_t count = std::min(slot - FNextSlot, MissingBatch);
        FBatch.clear();
        for (std::int32_t i = 0; i < count; ++i) {
            if (i > 0) FBatch += "\r\n";
            AppendIagaStamp(FBatch, FDate, (FNextSlot + i) * FInterval);
            AppendMissingValues(FBatch);
        }
        FWriteLn(FBatch);  // all of the run or, after a failure, none of it
        FNextSlot += count;
    }
}

void TIagaDataFile::OpenFor(std::int64_t day, std::int32_t slot) {
    const TDateTime dayStart = static_cast<double>(day);
    const std::string directory =
        FBaseDirectory + "IAGA2002/" + FormatDateTime("yyyy/mm", dayStart) + "/";
    const std::string extension = std::string(".") + Kind();
    SetFileName(directory + FCode + FormatDateTime("yyyymmdd", dayStart) + "v" + Kind() + extension);
    CreateDirectories();
    if (ClaimNewFile(GetFileName())) {
        StartNewFile(day, 0);
        return;
    }
    if (const std::optional<std::int32_t> last = OwnLastSlot(GetFileName(), day);
        last && *last < slot) {
        ContinueFile(day, *last + 1);
        if (OnOpen) OnOpen(*this, GetFileName());
        return;
    }
    // Not ours, or already past this record: a part-day file named by its first record.
    const TDateTime first = dayStart + static_cast<double>(slot * FInterval) / SecondsPerDay;
    const std::string base = FCode +
                             FormatDateTime(FInterval == MinuteInterval ? "yyyymmddhhnn"
                                                                        : "yyyymmddhhnnss",
                                            first) +
                             "v" + Kind();
    SetFileName(directory + base + extension);
    for (unsigned n = 0; !ClaimNewFile(GetFileName()); ++n)
        SetFileName(directory + base + "_" + std::to_string(n) + extension);
    StartNewFile(day, slot);
}

void TIagaDataFile::StartNewFile(std::int64_t day, std::int32_t firstSlot) {
    AppendFile();
    try {
        FWriteLn(FHead);
    } catch (...) {
        // The file was made a moment ago and holds nothing: it goes, so the day's name stays free.
        const std::string path = GetFileName();
        struct stat info {};
        const bool empty = ::stat(path.c_str(), &info) == 0 && info.st_size == 0;
        try {
            CloseFile();
        } catch (...) {
        }
        if (empty) ::unlink(path.c_str());
        throw;
    }
    ContinueFile(day, firstSlot);
    if (OnOpen) OnOpen(*this, GetFileName());
}

void TIagaDataFile::ContinueFile(std::int64_t day, std::int32_t nextSlot) {
    if (!Opened()) AppendFile();
    FFileDay = day;
    FDate = IagaDate(day);
    FNextSlot = nextSlot;
    FLineCount = 0;
}

std::optional<std::int32_t> TIagaDataFile::OwnLastSlot(const std::string& path,
                                                        std::int64_t day) const {
    const int handle = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (handle < 0) return std::nullopt;
    const std::unique_ptr<int, void (*)(int*)> closer(new int(handle), [](int* h) {
        ::close(*h);
        delete h;
    });
    struct stat info {};
    const std::size_t head = FHead.size() + 2;
    if (::fstat(handle, &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<std::size_t>(info.st_size) < head)
        return std::nullopt;
    const std::size_t body = static_cast<std::size_t>(info.st_size) - head;
    if (body % LineWithEnd != 0 || body / LineWithEnd > static_cast<std::size_t>(RecordsPerDay()))
        return std::nullopt;
    std::string text;
    if (!ReadAt(handle, text, head, 0) || text.compare(0, FHead.size(), FHead) != 0 ||
        text.compare(FHead.size(), 2, "\r\n") != 0)
        return std::nullopt;
    const auto records = static_cast<std::int32_t>(body / LineWithEnd);
    if (records == 0) return -1;
    if (!ReadAt(handle, text, LineWithEnd, info.st_size - static_cast<off_t>(LineWithEnd)))
        return std::nullopt;
    // The last line stands on its own position: its stamp is that of its line index.
    std::string stamp;
    AppendIagaStamp(stamp, IagaDate(day), (records - 1) * FInterval);
    if (text.compare(0, stamp.size(), stamp) != 0 || text.compare(IagaLineLength, 2, "\r\n") != 0)
        return std::nullopt;
    return records - 1;
}

void TIagaDataFile::Finish() {
    if (!Opened()) return;
    try {
        CloseFile();
    } catch (const std::exception& error) {
        throw EBasicException::Create(FileText() + ": " + error.what(), 0, ClassText, "Finish");
    }
}

std::string TIagaDataFile::FileText() const {
    return BaseName().empty() ? FBaseDirectory + "IAGA2002/" : GetFileName();
}
