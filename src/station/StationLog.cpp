#include "station/StationLog.h"

#include "acquisition/DateTime.h"
#include "recording/DateFormat.h"

#include <cstdlib>
#include <sys/stat.h>

namespace {

// systemd names the journal's stream in JOURNAL_STREAM as "device:inode"; a stream that is that
// file is the journal, even when the variable was inherited by a program started from a service
// with its standard error redirected elsewhere.
bool IsJournalStream(std::FILE* stream) {
    const char* named = std::getenv("JOURNAL_STREAM");
    struct stat status {};
    if (!named || !stream || ::fstat(fileno(stream), &status) != 0) return false;
    unsigned long long device = 0, inode = 0;
    char end = 0;
    if (std::sscanf(named, "%llu:%llu%c", &device, &inode, &end) != 2) return false;
    return device == status.st_dev && inode == status.st_ino;
}

// One log line per event, so that the log can be read and searched line by line.
std::string OnOneLine(const std::string& text) {
    std::string line;
    line.reserve(text.size());
    for (char c : text) {
        if (c == '\n')
            line += " - ";
        else if (c != '\r')
            line += c;
    }
    return line;
}

TLogPriority ReportPriority(TReportKind kind) {
    switch (kind) {
        case TReportKind::PortError:
        case TReportKind::ProcessingError:
        case TReportKind::WriteError: return TLogPriority::Error;
        case TReportKind::BadLine:
        case TReportKind::SettingsError: return TLogPriority::Warning;
        case TReportKind::PortOk: return TLogPriority::Notice;
        case TReportKind::Info: break;
    }
    return TLogPriority::Info;
}

}  // namespace

TStationLog::TStationLog(std::FILE* stream) : FStream(stream), FToJournal(IsJournalStream(stream)) {}

void TStationLog::Line(const std::string& text, TLogPriority priority) {
    const std::string lead = FToJournal ? "<" + std::to_string(static_cast<int>(priority)) + ">"
                                        : FormatDateTime("yyyy-mm-dd hh:nn:ss", NowLocal()) + " ";
    const std::string line = OnOneLine(text);
    std::lock_guard<std::mutex> guard(FLock);
    if (priority == TLogPriority::Error) FLastError = line;
    std::fprintf(FStream, "%s%s\n", lead.c_str(), line.c_str());
    std::fflush(FStream);
}

std::string TStationLog::LastError() const {
    std::lock_guard<std::mutex> guard(FLock);
    return FLastError;
}

void TStationLog::ErrorBox(const std::string& text) { Line("error: " + text, TLogPriority::Error); }

bool TStationLog::Confirm(const std::string& text) {
    Line("question answered yes: " + text, TLogPriority::Notice);
    return true;
}

void TStationLog::Beep() {}

void TStationLog::Report(TReportKind kind, const std::string& text) {
    if (kind == TReportKind::BadLine) {
        {
            std::lock_guard<std::mutex> guard(FLock);
            const auto now = std::chrono::steady_clock::now();
            if (now - FBadLineWindowStart >= std::chrono::minutes(1)) {
                FBadLineWindowStart = now;
                FBadLinesInWindow = 0;
            }
            if (++FBadLinesInWindow > BadLinesPerMinute) {
                ++FBadLinesLeftOut;
                return;
            }
        }
        FlushLeftOut();
    }
    if (kind == TReportKind::PortError || kind == TReportKind::PortOk) {
        bool recovered = false;
        {
            std::lock_guard<std::mutex> guard(FLock);
            recovered = kind == TReportKind::PortOk && FPortFailing;
            FPortFailing = kind == TReportKind::PortError;
        }
        if (recovered) {
            Line("port recovered: " + text, TLogPriority::Notice);
            return;
        }
    }
    Line(std::string(ReportKindName(kind)) + ": " + text, ReportPriority(kind));
}

void TStationLog::FlushLeftOut() {
    long leftOut = 0;
    {
        std::lock_guard<std::mutex> guard(FLock);
        std::swap(leftOut, FBadLinesLeftOut);
    }
    if (leftOut > 0)
        Line("bad line: " + std::to_string(leftOut) + " more bad lines not logged",
             TLogPriority::Warning);
}

bool TFailureMemory::Failed(const std::string& kind, const std::string& message) {
    auto [entry, inserted] = FCurrent.try_emplace(kind, message);
    if (inserted) return true;
    if (entry->second == message) return false;
    entry->second = message;
    return true;
}

bool TFailureMemory::Succeeded(const std::string& kind) { return FCurrent.erase(kind) > 0; }
