#include "window/WindowNotifier.h"

#include "acquisition/HandOff.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>

#include <cstdio>
#include <mutex>

namespace {

std::mutex LogLock;

void LogLine(const std::string& prefix, const std::string& text) {
    std::lock_guard<std::mutex> guard(LogLock);
    std::fprintf(stderr, "orvant3k: %s%s\n", prefix.c_str(), text.c_str());
    std::fflush(stderr);
}

QWidget* ParentFor(QWidget* preferred) {
    if (preferred && preferred->isVisible()) return preferred;
    return QApplication::activeWindow();
}

}  // namespace

TWindowNotifier::TWindowNotifier(QObject* context) : FContext(context) {
    FErrorBox = [this](const std::string& text) { MessageBoxError(ParentFor(FBoxParent), text); };
    FInfoBox = [this](const std::string& text) { MessageBoxInfo(ParentFor(FBoxParent), text); };
    FConfirm = [this](const std::string& text) {
        return MessageBoxConfirm(ParentFor(FBoxParent), text);
    };
    FBeep = [] { QApplication::beep(); };
    FPrevious = SetNotifier(this);
}

TWindowNotifier::~TWindowNotifier() { SetNotifier(FPrevious); }

void TWindowNotifier::SetBoxParent(QWidget* parent) { FBoxParent = parent; }

bool TWindowNotifier::OnContextThread() const {
    const QObject* context = FContext.data();
    return context && QThread::currentThread() == context->thread();
}

void TWindowNotifier::ErrorBox(const std::string& text) {
    if (FClosing) {
        LogLine("error (closing, not shown): ", text);
        return;
    }
    LogLine("error box: ", text);
    // RunOnMainThread runs the call directly on the user-interface thread itself.
    RunOnMainThread([this, &text] {
        if (FClosing) return;
        FErrorBox(text);
    });
}

void TWindowNotifier::InfoBox(const std::string& text) {
    LogLine("information box: ", text);
    if (FClosing) return;
    RunOnMainThread([this, &text] {
        if (FClosing) return;
        FInfoBox(text);
    });
}

bool TWindowNotifier::Confirm(const std::string& text) {
    if (FClosing) {
        LogLine("question (closing, answered yes): ", text);
        return true;
    }
    LogLine("question: ", text);
    bool yes = true;
    // A box closed by the program's end counts as Yes: the run is stopped either way.
    RunOnMainThread([this, &text, &yes] { yes = FClosing || FConfirm(text) || FClosing; });
    return yes;
}

void TWindowNotifier::Beep() {
    if (OnContextThread()) {
        FBeep();
        return;
    }
    // Copies, not the notifier: the call may run after the notifier is gone.
    if (QObject* context = FContext.data())
        PostCall(context, [beep = FBeep] { beep(); });
}

void TWindowNotifier::Report(TReportKind kind, const std::string& text) {
    // The port's and the files' events also go to the log; bad lines only to the status bar,
    // where they are counted, so that a broken line cannot flood it.
    if (kind != TReportKind::BadLine) LogLine(std::string(ReportKindName(kind)) + ": ", text);
    QObject* context = FContext.data();
    if (!context || !FReportSink) return;
    // Always posted, also from the user-interface thread, so that reports keep their order.
    PostCall(context, [sink = FReportSink, kind, text] { sink(kind, text); });
}

void TWindowNotifier::MessageBoxInfo(QWidget* parent, const std::string& text) {
    QMessageBox box(QMessageBox::Information, QString::fromLatin1(MessageBoxCaption),
                    QString::fromStdString(text), QMessageBox::Ok, parent);
    box.exec();
}

void TWindowNotifier::MessageBoxError(QWidget* parent, const std::string& text) {
    QMessageBox box(QMessageBox::Critical, QString::fromLatin1(MessageBoxCaption),
                    QString::fromStdString(text), QMessageBox::Ok, parent);
    box.exec();
}

bool TWindowNotifier::MessageBoxConfirm(QWidget* parent, const std::string& text) {
    QMessageBox box(QMessageBox::Question, QString::fromLatin1(MessageBoxCaption),
                    QString::fromStdString(text), QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}
