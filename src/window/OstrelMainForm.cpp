// The main window's building, its showing and closing, and the orderly end on a stop signal.

#include "window/OstrelMainForm.h"

#include "acquisition/ComPortThread.h"
#include "station/AcquisitionRun.h"
#include "window/ChannelGraphs.h"
#include "window/ElidedLabel.h"
#include "window/WindowNotifier.h"
#include "ui/FormStorage.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

namespace {

constexpr const char* ConfirmationText = "Are you sure?";
// How often the report panel takes the reader's count of dropped lines and the time since the
// last sample while acquiring.
constexpr int ReportRefreshMs = 500;

}  // namespace

std::string FileCaption(const std::string& fileName) { return "<ORVANT-3K>    File: " + fileName; }

TOstrelMainForm::TOstrelMainForm(std::string settingsFileName, QWidget* parent)
    : QMainWindow(parent), FSettingsFileName(std::move(settingsFileName)) {
    setObjectName(QStringLiteral("OstrelMainForm"));
    setWindowTitle(QStringLiteral("ORVANT-3K"));
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        FScale = screen->logicalDotsPerInchY() / DesignedPixelsPerInch;

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("ClientWidget"));
    auto* column = new QVBoxLayout(client);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    BuildToolBar();
    column->addWidget(FToolBarPanel);
    FGraphs = new TChannelGraphs(client);
    FGraphs->setObjectName(QStringLiteral("ChannelGraphs"));
    column->addWidget(FGraphs, 1);
    setCentralWidget(client);
    BuildStatusBar();
    BuildMenu();

    // Five panels of equal height, all check boxes checked.
    FGraphs->AttachCheckBoxes({FCheckBoxes[0], FCheckBoxes[1], FCheckBoxes[2], FCheckBoxes[3],
                               FCheckBoxes[4]});
    FGraphs->SetMaxPointsOnScreen(FMaxPointsOnScreen);
    FGraphs->SetViewMode(false);
    connect(FGraphs, &TChannelGraphs::ReadoutChanged, FStatusPanel0, &QLabel::setText);

    FReportTimer = new QTimer(this);
    FReportTimer->setInterval(ReportRefreshMs);
    connect(FReportTimer, &QTimer::timeout, this, [this] {
        if (FRun && FRun->Reader()) FRunStatus.SetDroppedLines(FRun->Reader()->LinesDropped());
        RefreshReport();
    });

    ConnectCommands();
    ConnectViewer();
    ConnectConverter();
    SetControlsIdle();
    resize(Scaled(DesignedWidth), Scaled(DesignedHeight));
    SetUpFormStorage();
}

TOstrelMainForm::~TOstrelMainForm() {
    // A window destroyed while acquiring still closes its files with every line received.
    if (FRun) {
        FClosing = true;
        StopAcquisition(false);
    }
    // The storage saves before the widgets its properties read are gone.
    FFormStorage.reset();
}

int TOstrelMainForm::Scaled(int designed) const {
    return static_cast<int>(std::lround(designed * FScale));
}

void TOstrelMainForm::BuildToolBar() {
    FToolBarPanel = new QWidget(this);
    FToolBarPanel->setObjectName(QStringLiteral("ToolBarPanel"));
    FToolBarPanel->setFixedHeight(Scaled(ToolBarHeight));
    auto* row = new QHBoxLayout(FToolBarPanel);
    row->setContentsMargins(Scaled(6), Scaled(4), Scaled(6), Scaled(4));
    row->setSpacing(Scaled(10));

    FStartStopBtn = new QPushButton(tr("Start"), FToolBarPanel);
    FStartStopBtn->setObjectName(QStringLiteral("StartStopBtn"));
    FStartStopBtn->setToolTip(tr("Start / stop acquisition"));
    row->addWidget(FStartStopBtn);

    auto* group = new QFrame(FToolBarPanel);
    group->setObjectName(QStringLiteral("CheckBoxGroup"));
    group->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    auto* boxes = new QHBoxLayout(group);
    boxes->setContentsMargins(Scaled(6), 0, Scaled(6), 0);
    boxes->setSpacing(Scaled(8));
    const char* captions[5] = {"Bx", "By", "Bz", "Ex", "Ey"};
    for (int i = 0; i < 5; ++i) {
        auto* box = new QCheckBox(QString::fromLatin1(captions[i]), group);
        box->setObjectName(QStringLiteral("CheckBox%1").arg(i));
        box->setChecked(true);
        boxes->addWidget(box);
        FCheckBoxes[static_cast<std::size_t>(i)] = box;
    }
    row->addWidget(group);

    FBitBtn1 = new QPushButton(tr("Arrange"), FToolBarPanel);
    FBitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    FBitBtn1->setToolTip(tr("Equalize height of all grpahs"));
    row->addWidget(FBitBtn1);

    FClearBtn = new QPushButton(tr("Clear"), FToolBarPanel);
    FClearBtn->setObjectName(QStringLiteral("ClearBtn"));
    FClearBtn->setToolTip(tr("Clear all graphs"));
    row->addWidget(FClearBtn);

    FCrossMouseCB = new QCheckBox(tr("Mouse"), FToolBarPanel);
    FCrossMouseCB->setObjectName(QStringLiteral("CrossMouseCB"));
    FCrossMouseCB->setChecked(false);
    row->addWidget(FCrossMouseCB);
    row->addStretch(1);
}

void TOstrelMainForm::BuildStatusBar() {
    FStatusBar1 = new QStatusBar(this);
    FStatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    setStatusBar(FStatusBar1);

    FStatusPanel0 = new QLabel(FStatusBar1);
    FStatusPanel0->setObjectName(QStringLiteral("StatusPanel0"));
    FStatusPanel0->setFixedWidth(Scaled(StatusPanel0Width));
    FStatusPanel0->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    FStatusBar1->addWidget(FStatusPanel0);

    // Panel 1 holds the progress bar: at its left edge, 2 from the top, as wide as the panel.
    FStatusPanel1 = new QWidget(FStatusBar1);
    FStatusPanel1->setObjectName(QStringLiteral("StatusPanel1"));
    FStatusPanel1->setFixedWidth(Scaled(StatusPanel1Width));
    auto* holder = new QVBoxLayout(FStatusPanel1);
    holder->setContentsMargins(0, 2, 0, 0);
    FProgressBar = new QProgressBar(FStatusPanel1);
    FProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    FProgressBar->setRange(0, 100);
    FProgressBar->setValue(0);
    FProgressBar->setTextVisible(false);
    holder->addWidget(FProgressBar);
    FStatusBar1->addWidget(FStatusPanel1);

    FReportPanel = new TElidedLabel(FStatusBar1);
    FReportPanel->setObjectName(QStringLiteral("ReportPanel"));
    FStatusBar1->addWidget(FReportPanel, 1);
}

QWidget* TOstrelMainForm::StatusPanel(int index) const {
    if (index == 0) return FStatusPanel0;
    return FStatusPanel1;
}

void TOstrelMainForm::AttachWindows(TGeneralOptionsForm* options, TIntermagnetForm* intermagnet,
                                    TIntermagnetTextForm* intermagnetText, TTextForm* text) {
    FOptionsForm = options;
    FIntermagnetForm = intermagnet;
    FIntermagnetTextForm = intermagnetText;
    FTextForm = text;
}

void TOstrelMainForm::SetMaxPointsOnScreen(int points) {
    FMaxPointsOnScreen = points;
    FGraphs->SetMaxPointsOnScreen(points);
}

bool TOstrelMainForm::ViewMode() const { return FGraphs->ViewMode(); }

void TOstrelMainForm::SetViewMode(bool on) { FGraphs->SetViewMode(on); }

void TOstrelMainForm::ShowFileInCaption(const std::string& fileName) {
    if (fileName == FViewedFileName) return;
    FViewedFileName = fileName;
    setWindowTitle(QString::fromStdString(FileCaption(fileName)));
}

void TOstrelMainForm::showEvent(QShowEvent* event) {
    // The storage has restored the settings by now: it watches the window's show events.
    QMainWindow::showEvent(event);
    if (FFirstShowDone || event->spontaneous()) return;
    FFirstShowDone = true;
    if (!FFormStorage->Restored()) return;
    // After the showing, so that boxes the action may show come over a window that is there.
    QTimer::singleShot(0, this, [this] {
        if (!FShutdownRequested) RunCommand([this] { RunCommandLineAction(); });
    });
}

void TOstrelMainForm::closeEvent(QCloseEvent* event) {
    if (FAcquiring) {
        if (!FClosing && !Notifier().Confirm(ConfirmationText)) {
            event->ignore();
            return;
        }
        StopAcquisition(false);
    }
    // Hiding the window lets the storage save the settings.
    event->accept();
}

void TOstrelMainForm::RequestShutdown() {
    FShutdownRequested = true;
    FClosing = true;
    if (auto* notifier = dynamic_cast<TWindowNotifier*>(&Notifier())) notifier->SetClosing(true);
    CloseModalWidgets();
    // Ends the main loop and every loop nested in it (the modal runs just closed); a loop
    // started while they unwind returns at once. FinishShutdown follows the main loop.
    QCoreApplication::exit(0);
}

void TOstrelMainForm::CloseModalWidgets() {
    for (int attempt = 0; attempt < 20; ++attempt) {
        QWidget* popup = QApplication::activePopupWidget();
        if (!popup) break;
        popup->close();
        if (popup->isVisible()) popup->hide();
    }
    for (int attempt = 0; attempt < 20; ++attempt) {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) break;
        if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
        // A dialog may refuse to end (an invalid entry); hiding ends its modal run all the same.
        if (modal->isVisible()) modal->hide();
    }
}

void TOstrelMainForm::FinishShutdown() {
    FClosing = true;
    if (FAcquiring) StopAcquisition(false);
    close();
}
