#include "acquisition/Notifier.h"

#include <atomic>
#include <cstdio>
#include <mutex>

namespace {

TLogNotifier DefaultNotifier;
std::atomic<TNotifier*> Current{&DefaultNotifier};
std::mutex LogLock;

void LogLine(const std::string& prefix, const std::string& text) {
    std::lock_guard<std::mutex> guard(LogLock);
    std::fprintf(stderr, "%s%s\n", prefix.c_str(), text.c_str());
    std::fflush(stderr);
}

}  // namespace

void TLogNotifier::ErrorBox(const std::string& text) { LogLine("error: ", text); }

bool TLogNotifier::Confirm(const std::string& text) {
    LogLine("question (answered yes): ", text);
    return true;
}

void TLogNotifier::Beep() {}

void TLogNotifier::Report(TReportKind kind, const std::string& text) {
    LogLine(std::string(ReportKindName(kind)) + ": ", text);
}

TNotifier& Notifier() { return *Current.load(); }

TNotifier* SetNotifier(TNotifier* notifier) {
    TNotifier* previous = Current.exchange(notifier ? notifier : &DefaultNotifier);
    return previous == &DefaultNotifier ? nullptr : previous;
}

const char* ReportKindName(TReportKind kind) {
    switch (kind) {
        case TReportKind::BadLine: return "bad line";
        case TReportKind::PortError: return "port error";
        case TReportKind::PortOk: return "port";
        case TReportKind::ProcessingError: return "processing error";
        case TReportKind::WriteError: return "write error";
        case TReportKind::SettingsError: return "settings error";
        case TReportKind::Info: return "info";
    }
    return "report";
}
