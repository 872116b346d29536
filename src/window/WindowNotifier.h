#pragma once
// TWindowNotifier: the station window's notifier. Error boxes are modal message boxes with the
// error icon and one OK button, confirmations "Yes"/"No" boxes, the beep the system's, and the
// non-modal reports go to a sink on the user-interface thread (the main window's status bar).
//
// Any thread may call it: a report or a beep from another thread is posted and the caller goes
// on at once (a reader must never wait for the screen); a box from another thread is shown on
// the user-interface thread through the synchronous hand-off, and the caller waits for the
// answer.
//
// While the program closes (SetClosing), boxes are no longer shown: error boxes are written to
// standard error and confirmations answer Yes, so that a stop signal is never held up by a
// question nobody will answer. Every box shown, and every report but bad lines, is also written
// to standard error, one line, so that a log of a run without a screen tells what happened.
//
// The boxes and the beep can be replaced (tests answer them from a script).

#include "acquisition/Notifier.h"

#include <QPointer>
#include <QObject>

#include <atomic>
#include <functional>
#include <string>

class QWidget;

// Thread rule: every method may be called from any thread, except the Set... functions, which
// belong to the user-interface thread before the notifier is used.
class TWindowNotifier : public TNotifier {
public:
    using TErrorBoxFunction = std::function<void(const std::string& text)>;
    using TConfirmFunction = std::function<bool(const std::string& text)>;
    using TBeepFunction = std::function<void()>;
    using TReportSink = std::function<void(TReportKind kind, const std::string& text)>;

    // `context` lives on the user-interface thread; reports and beeps are posted to it and are
    // dropped once it is gone. Installs itself as the process's notifier for its lifetime.
    explicit TWindowNotifier(QObject* context);
    ~TWindowNotifier() override;
    TWindowNotifier(const TWindowNotifier&) = delete;
    TWindowNotifier& operator=(const TWindowNotifier&) = delete;

    void SetReportSink(TReportSink sink) { FReportSink = std::move(sink); }
    void SetErrorBox(TErrorBoxFunction function) { FErrorBox = std::move(function); }
    void SetInfoBox(TErrorBoxFunction function) { FInfoBox = std::move(function); }
    void SetConfirm(TConfirmFunction function) { FConfirm = std::move(function); }
    void SetBeep(TBeepFunction function) { FBeep = std::move(function); }
    // The window the boxes are centred on; the active window when none.
    void SetBoxParent(QWidget* parent);

    // From now on boxes are logged, not shown, and confirmations answer Yes.
    void SetClosing(bool closing) { FClosing = closing; }
    bool Closing() const { return FClosing; }

    void ErrorBox(const std::string& text) override;
    void InfoBox(const std::string& text) override;
    bool Confirm(const std::string& text) override;
    void Beep() override;
    void Report(TReportKind kind, const std::string& text) override;

    // The toolkit's boxes, as used unless replaced.
    static void MessageBoxError(QWidget* parent, const std::string& text);
    static void MessageBoxInfo(QWidget* parent, const std::string& text);
    static bool MessageBoxConfirm(QWidget* parent, const std::string& text);

private:
    bool OnContextThread() const;

    QPointer<QObject> FContext;
    QPointer<QWidget> FBoxParent;
    TNotifier* FPrevious = nullptr;
    TErrorBoxFunction FErrorBox;
    TErrorBoxFunction FInfoBox;
    TConfirmFunction FConfirm;
    TBeepFunction FBeep;
    TReportSink FReportSink;
    std::atomic<bool> FClosing{false};
};

// The caption of the station's message boxes.
inline constexpr const char* MessageBoxCaption = "ORVANT-3K";
