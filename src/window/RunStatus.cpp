#include "window/RunStatus.h"

#include <algorithm>

std::string OneLine(const std::string& text) {
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            // CR LF counts as one break; a trailing break adds nothing.
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            if (i + 1 < text.size()) line += " - ";
        } else {
            line += c;
        }
    }
    return line;
}

std::string DurationText(std::chrono::seconds duration) {
    const long long total = std::max<long long>(0, duration.count());
    const long long hours = total / 3600, minutes = total / 60 % 60, seconds = total % 60;
    if (hours > 0) return std::to_string(hours) + " h " + std::to_string(minutes) + " min";
    if (minutes > 0) return std::to_string(minutes) + " min " + std::to_string(seconds) + " s";
    return std::to_string(seconds) + " s";
}

void TRunStatus::Starting(const std::string& portName) {
    FState = TState::Opening;
    FPortName = portName;
    FDetail.clear();
    FWriteFailure.clear();
    FMessage.clear();
    FSamples = 0;
    FArrivals = 0;
    FLastArrival = FNow();
    FBadLineReports = 0;
    FDroppedLines = 0;
    FLastBadLine.clear();
    FSettingsProblem.clear();
}

void TRunStatus::NotStarted(const std::string& reason) {
    FState = TState::NotStarted;
    FDetail = OneLine(reason);
}

void TRunStatus::Stopped() {
    FState = TState::Idle;
    FDetail.clear();
    FWriteFailure.clear();
    FStoppedOnce = true;
}

void TRunStatus::Report(TReportKind kind, const std::string& text) {
    const bool running = FState != TState::Idle;
    switch (kind) {
    case TReportKind::BadLine:
        if (!running) return;
        ++FBadLineReports;
        FLastBadLine = OneLine(text);
        return;
    case TReportKind::PortError:
        if (!running) return;
        FState = TState::PortFailed;
        FDetail = OneLine(text);
        return;
    case TReportKind::PortOk:
        if (!running) return;
        // Only a port that was being opened (or had failed) comes back; a run whose processing
        // has ended still records nothing.
        if (FState == TState::Opening || FState == TState::PortFailed) {
            FState = TState::Recording;
            FDetail = OneLine(text);
        }
        return;
    case TReportKind::ProcessingError:
        if (!running) return;
        FState = TState::ProcessingFailed;
        FDetail = OneLine(text);
        return;
    case TReportKind::WriteError:
        if (running)
            FWriteFailure = OneLine(text);
        else
            FMessage = "Write error: " + OneLine(text);
        return;
    case TReportKind::SettingsError:
        if (running) {
            // Each holds for the whole run; a run may leave out more than one product.
            if (!FSettingsProblem.empty()) FSettingsProblem += " | ";
            FSettingsProblem += OneLine(text);
        } else
            FMessage = OneLine(text);
        return;
    case TReportKind::Info:
        if (!running) FMessage = OneLine(text);
        return;
    }
}

void TRunStatus::SetDroppedLines(std::uint64_t count) {
    if (FState != TState::Idle) FDroppedLines = std::max(FDroppedLines, count);
}

void TRunStatus::SampleRecorded() {
    ++FSamples;
    ++FArrivals;
    FLastArrival = FNow();
    FWriteFailure.clear();
}

void TRunStatus::SampleFailed(const std::string& reason) {
    ++FArrivals;
    FLastArrival = FNow();
    FWriteFailure = OneLine(reason);
}

bool TRunStatus::Recording() const { return FState == TState::Recording && FWriteFailure.empty(); }

TRunStatus::TClock::duration TRunStatus::Silence() const { return FNow() - FLastArrival; }

bool TRunStatus::Silent() const { return Silence() >= SilenceWarning; }

bool TRunStatus::AwaitingData() const {
    return Recording() && (FArrivals == 0 || Silent());
}

TRunStatus::TLevel TRunStatus::Level() const {
    switch (FState) {
    case TState::PortFailed:
    case TState::ProcessingFailed:
    case TState::NotStarted:
        return TLevel::Error;
    case TState::Idle:
        return FMessage.rfind("Write error", 0) == 0 ? TLevel::Warning : TLevel::Normal;
    case TState::Opening:
    case TState::Recording:
        break;
    }
    if (!FWriteFailure.empty()) return TLevel::Error;
    return BadLines() > 0 || !FSettingsProblem.empty() ||
                   (FState == TState::Recording && Silent())
               ? TLevel::Warning
               : TLevel::Normal;
}

std::string TRunStatus::RunText() const {
    switch (FState) {
    case TState::Idle:
        break;
    case TState::Opening:
        return "Opening " + FPortName + "...";
    case TState::Recording: {
        const std::string samples = "; " + std::to_string(FSamples) + " samples";
        if (Silent())
            return "No data for " +
                   DurationText(std::chrono::duration_cast<std::chrono::seconds>(Silence())) +
                   ": " + FDetail + (FArrivals > 0 ? samples : "");
        if (FArrivals == 0) return "Waiting for data: " + FDetail;
        return "Recording: " + FDetail + samples;
    }
    case TState::PortFailed:
        return "PORT ERROR: " + FDetail + " - not recording: port error";
    case TState::ProcessingFailed:
        return "PROCESSING ERROR: " + FDetail + " - not recording";
    case TState::NotStarted:
        return "NOT RECORDING: " + FDetail + " - press Stop";
    }
    return {};
}

std::string TRunStatus::Text() const {
    if (FState == TState::Idle) {
        if (!FMessage.empty()) return FMessage;
        return FStoppedOnce ? "Stopped; " + std::to_string(FSamples) + " samples recorded" : "";
    }
    std::string text = RunText();
    if (!FWriteFailure.empty() && FState != TState::PortFailed && FState != TState::ProcessingFailed &&
        FState != TState::NotStarted)
        text = "WRITE ERROR: " + FWriteFailure + " - samples are not recorded";
    if (BadLines() > 0) {
        text += " | Bad lines: " + std::to_string(BadLines());
        if (!FLastBadLine.empty()) text += ", last: " + FLastBadLine;
    }
    if (!FSettingsProblem.empty()) text += " | " + FSettingsProblem;
    return text;
}
