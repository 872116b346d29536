#include "app/StationLog.h"

#include "acquisition/DateTime.h"
#include "recording/DateFormat.h"

TStationLog::TStationLog(std::FILE* stream) : FStream(stream) {}

namespace {

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

}  // namespace

void TStationLog::Line(const std::string& text) {
    const std::string stamp = FormatDateTime("yyyy-mm-dd hh:nn:ss", NowLocal());
    const std::string line = OnOneLine(text);
    std::lock_guard<std::mutex> guard(FLock);
    std::fprintf(FStream, "%s %s\n", stamp.c_str(), line.c_str());
    std::fflush(FStream);
}

void TStationLog::ErrorBox(const std::string& text) { Line("error: " + text); }

bool TStationLog::Confirm(const std::string& text) {
    Line("question answered yes: " + text);
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
            Line("port recovered: " + text);
            return;
        }
    }
    Line(std::string(ReportKindName(kind)) + ": " + text);
}

void TStationLog::FlushLeftOut() {
    long leftOut = 0;
    {
        std::lock_guard<std::mutex> guard(FLock);
        std::swap(leftOut, FBadLinesLeftOut);
    }
    if (leftOut > 0) Line("bad line: " + std::to_string(leftOut) + " more bad lines not logged");
}

bool TFailureMemory::Failed(const std::string& kind, const std::string& message) {
    auto [entry, inserted] = FCurrent.try_emplace(kind, message);
    if (inserted) return true;
    if (entry->second == message) return false;
    entry->second = message;
    return true;
}

bool TFailureMemory::Succeeded(const std::string& kind) { return FCurrent.erase(kind) > 0; }
