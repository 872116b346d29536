#pragma once
// A notifier for tests: records every call and answers confirmations from a script, so that no
// test ever waits on a modal box. Installs itself for its lifetime.

#include "acquisition/Notifier.h"

#include <deque>
#include <mutex>
#include <string>
#include <vector>

class TRecordingNotifier : public TNotifier {
public:
    TRecordingNotifier();
    ~TRecordingNotifier() override;

    void ErrorBox(const std::string& text) override;
    void InfoBox(const std::string& text) override;
    bool Confirm(const std::string& text) override;
    void Beep() override;
    void Report(TReportKind kind, const std::string& text) override;

    // Answers for the next confirmations, in order; without one, Confirm answers Yes.
    void AnswerNext(bool yes);

    std::vector<std::string> ErrorBoxes() const;
    std::vector<std::string> InfoBoxes() const;
    std::vector<std::string> Confirmations() const;
    std::vector<std::pair<TReportKind, std::string>> Reports() const;
    std::vector<std::string> ReportsOf(TReportKind kind) const;
    int Beeps() const;

private:
    mutable std::mutex FLock;
    TNotifier* FPrevious = nullptr;
    std::vector<std::string> FErrorBoxes;
    std::vector<std::string> FInfoBoxes;
    std::vector<std::string> FConfirmations;
    std::vector<std::pair<TReportKind, std::string>> FReports;
    std::deque<bool> FAnswers;
    int FBeeps = 0;
};
