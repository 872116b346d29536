#pragma once
// Every message to the user goes through one notifier: error boxes, confirmations, the system
// beep and non-modal reports. The window installs one built on message boxes and its status
// bar, the headless recorder one that logs, and tests one that records the calls, so that
// nothing ever waits on a modal box it cannot answer.

#include <string>

// Kinds of non-modal report; the window shows them in its status bar, the recorder logs them.
enum class TReportKind {
    BadLine,     // a received line was dropped
    PortError,   // the serial port failed; the reader tries to reopen it
    PortOk,      // the port works again after a failure
    ProcessingError,  // the processing thread has ended on an error; samples go nowhere
    WriteError,  // a file could not be written
    SettingsError,  // a setting cannot be used: the run goes on without what it serves
    Info,        // anything else worth a line in the log
};

// Thread rule: every method may be called from any thread; implementations that touch windows
// carry the call to the user-interface thread themselves.
class TNotifier {
public:
    virtual ~TNotifier() = default;
    // A modal error box (error icon, one OK button); returns when the user has closed it.
    virtual void ErrorBox(const std::string& text) = 0;
    // A modal "Yes"/"No" confirmation; true for Yes.
    virtual bool Confirm(const std::string& text) = 0;
    // The system beep.
    virtual void Beep() = 0;
    // A report that does not wait for the user.
    virtual void Report(TReportKind kind, const std::string& text) = 0;
};

// Writes everything to standard error, one line per call; confirmations answer Yes.
class TLogNotifier : public TNotifier {
public:
    void ErrorBox(const std::string& text) override;
    bool Confirm(const std::string& text) override;
    void Beep() override;
    void Report(TReportKind kind, const std::string& text) override;
};

// The process-wide notifier. Never null: a TLogNotifier serves until another is installed.
TNotifier& Notifier();
// Installs a notifier (not owned) and returns the previous one; nullptr restores the default.
TNotifier* SetNotifier(TNotifier* notifier);

const char* ReportKindName(TReportKind kind);
