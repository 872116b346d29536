#include "RecordingNotifier.h"

TRecordingNotifier::TRecordingNotifier() { FPrevious = SetNotifier(this); }
TRecordingNotifier::~TRecordingNotifier() { SetNotifier(FPrevious); }

void TRecordingNotifier::ErrorBox(const std::string& text) {
    std::lock_guard<std::mutex> guard(FLock);
    FErrorBoxes.push_back(text);
}

bool TRecordingNotifier::Confirm(const std::string& text) {
    std::lock_guard<std::mutex> guard(FLock);
    FConfirmations.push_back(text);
    if (FAnswers.empty()) return true;
    const bool answer = FAnswers.front();
    FAnswers.pop_front();
    return answer;
}

void TRecordingNotifier::Beep() {
    std::lock_guard<std::mutex> guard(FLock);
    ++FBeeps;
}

void TRecordingNotifier::Report(TReportKind kind, const std::string& text) {
    std::lock_guard<std::mutex> guard(FLock);
    FReports.emplace_back(kind, text);
}

void TRecordingNotifier::AnswerNext(bool yes) {
    std::lock_guard<std::mutex> guard(FLock);
    FAnswers.push_back(yes);
}

std::vector<std::string> TRecordingNotifier::ErrorBoxes() const {
    std::lock_guard<std::mutex> guard(FLock);
    return FErrorBoxes;
}

std::vector<std::string> TRecordingNotifier::Confirmations() const {
    std::lock_guard<std::mutex> guard(FLock);
    return FConfirmations;
}

std::vector<std::pair<TReportKind, std::string>> TRecordingNotifier::Reports() const {
    std::lock_guard<std::mutex> guard(FLock);
    return FReports;
}

std::vector<std::string> TRecordingNotifier::ReportsOf(TReportKind kind) const {
    std::lock_guard<std::mutex> guard(FLock);
    std::vector<std::string> texts;
    for (const auto& [reportKind, text] : FReports)
        if (reportKind == kind) texts.push_back(text);
    return texts;
}

int TRecordingNotifier::Beeps() const {
    std::lock_guard<std::mutex> guard(FLock);
    return FBeeps;
}

void TRecordingNotifier::InfoBox(const std::string& text) {
    std::lock_guard<std::mutex> lock(FLock);
    FInfoBoxes.push_back(text);
}

std::vector<std::string> TRecordingNotifier::InfoBoxes() const {
    std::lock_guard<std::mutex> lock(FLock);
    return FInfoBoxes;
}
