// The main window's menu commands for the other windows, the general error report of command
// handlers, and the report panel of the status bar.

#include "window/OstrelMainForm.h"

#include "acquisition/ComPortThread.h"
#include "acquisition/ProfileFile.h"
#include "acquisition/SerialDevices.h"
#include "station/AcquisitionRun.h"
#include "window/ElidedLabel.h"
#include "window/IntermagnetParameters.h"
#include "ui/GeneralOptionsForm.h"
#include "ui/IntermagnetTextForm.h"
#include "ui/SerialDeviceChoice.h"
#include "ui/TextForm.h"

#include <QLabel>

void TOstrelMainForm::RunCommand(const std::function<void()>& command) {
    try {
        command();
    } catch (const std::exception& error) {
        const std::string text = error.what();
        Notifier().ErrorBox(text.empty() ? std::string("Error") : text);
    } catch (...) {
        Notifier().ErrorBox("Unknown error");
    }
}

void TOstrelMainForm::Showtextdata1Click() {
    if (FTextForm) FTextForm->ShowOrBringToFront();
}

void TOstrelMainForm::Showdata1Click() {
    if (FIntermagnetTextForm) FIntermagnetTextForm->ShowOrBringToFront();
}

void TOstrelMainForm::Options1Click() {
    if (!FOptionsForm) return;
    TGeneralOptions options;
    options.MaxPointsOnScreen = FMaxPointsOnScreen;
    options.COMPort = FPortSettings.COMPort;
    options.AutoCreateIntermagnet = FAutoCreateIntermagnet;
    options.SerialDevices = FSerialDevices;
    options.Network = FNetwork;
    if (!FOptionsForm->Execute(options)) return;
    FNetwork = options.Network;

    SetMaxPointsOnScreen(options.MaxPointsOnScreen);
    FPortSettings.COMPort = options.COMPort;
    FAutoCreateIntermagnet = options.AutoCreateIntermagnet;

    // A device chosen for a port name is stored at once: it describes this computer, not the
    // window, and is kept even when the window's own settings are not saved.
    const auto changes = SerialDeviceChanges(FSerialDevices, options.SerialDevices);
    FSerialDevices = options.SerialDevices;
    for (const auto& [comNumber, path] : changes) SetSerialDevice(comNumber, path);
    if (changes.empty()) return;
    TProfileFile file(FSettingsFileName);
    TProfileUpdate pass(file);
    for (const auto& [comNumber, path] : changes) SaveSerialDevice(file, comNumber, path);
    pass.Commit();
}

void TOstrelMainForm::Parameters1Click() {
    if (FIntermagnetForm)
        EditIntermagnetParameters(*FIntermagnetForm, FIntermagnetHeader, FMinuteOr5Seconds, FIagaSettings,
                                  FImagCdfSettings);
}

void TOstrelMainForm::ShowReport(TReportKind kind, const std::string& text) {
    if (kind == TReportKind::BadLine && FRun && FRun->Reader())
        FRunStatus.SetDroppedLines(FRun->Reader()->LinesDropped());
    FRunStatus.Report(kind, text);
    RefreshReport();
}

void TOstrelMainForm::RefreshReport() {
    FReportPanel->SetFullText(QString::fromStdString(FRunStatus.Text()));
    QString style;
    switch (FRunStatus.Level()) {
    case TRunStatus::TLevel::Error:
        style = QStringLiteral("QLabel { color: #c00000; font-weight: bold; }");
        break;
    case TRunStatus::TLevel::Warning:
        style = QStringLiteral("QLabel { color: #a04800; }");
        break;
    case TRunStatus::TLevel::Normal:
        break;
    }
    if (FReportPanel->styleSheet() != style) FReportPanel->setStyleSheet(style);
}
