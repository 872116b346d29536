#pragma once
// TOstrelMainForm, "ORVANT-3K": the station's main window. A tool bar panel (start/stop, the
// five graph check boxes, "Arrange", "Clear", "Mouse"), the channel graphs, a status bar (the
// mouse readout, the progress bar, and the acquisition report) and the main menu.
//
// It starts and stops acquisition through one TAcquisitionRun, adding the window's own steps
// (controls, caption, graphs, monitor windows) in their places, and it is the run's sample
// handler. Its settings are restored when it is first shown and saved when it closes, through
// its TFormStorage; the command-line action ("START" or a file to view) follows a successful
// restore.
//
// Viewing: "&Open file", the recent-files menu and a file named on the command line go to the
// data-file viewer (TDataFileViewer through TViewerCommands); the list of recent files is kept
// with the settings.
//
// Files: OstrelMainForm.cpp (building, close query, showing, shutdown), MainFormMenu.cpp (the
// menu), MainFormAcquisition.cpp (start, stop, samples, control states), MainFormSettings.cpp
// (restore and save), MainFormCommands.cpp (menu commands, reports, error report).

#include "acquisition/COMPortSettings.h"
#include "acquisition/Notifier.h"
#include "acquisition/SampleHandler.h"
#include "settings/IagaSettings.h"
#include "settings/ImagCdfSettings.h"
#include "settings/IntermagnetHeader.h"
#include "settings/RecentFiles.h"
#include "settings/SerialDeviceSettings.h"
#include "window/RunStatus.h"
#include "settings/NetworkSettings.h"

#include <QMainWindow>

#include <array>
#include <functional>
#include <memory>
#include <string>

class QAction;
class QCheckBox;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QTimer;
class TAcquisitionRun;
class TChannelGraphs;
class TDataFileViewer;
class TElidedLabel;
class TRecentFilesMenu;
class TViewerCommands;
class TFormStorage;
class TGeneralOptionsForm;
class TIntermagnetForm;
class TIntermagnetTextForm;
class TProfileFile;
class TTextForm;
struct TStationSettings;
class TArchiveConversionRunner;
class TConvertArchiveDialog;
class TStationPublisher;

// Thread rule: user-interface thread only; samples arrive through the processing thread's
// synchronous hand-off, reports posted by the notifier.
class TOstrelMainForm : public QMainWindow, public TSampleHandler {
    Q_OBJECT

public:
    // Sizes as designed at 120 pixels per inch; the window scales them to the screen.
    static constexpr int DesignedPixelsPerInch = 120;
    static constexpr int DesignedWidth = 798;
    static constexpr int DesignedHeight = 564;
    static constexpr int ToolBarHeight = 49;
    static constexpr int StatusPanel0Width = 500;
    static constexpr int StatusPanel1Width = 50;

    explicit TOstrelMainForm(std::string settingsFileName, QWidget* parent = nullptr);
    ~TOstrelMainForm() override;

    // The windows made after this one at start-up, which the menu commands use.
    void AttachWindows(TGeneralOptionsForm* options, TIntermagnetForm* intermagnet,
                       TIntermagnetTextForm* intermagnetText, TTextForm* text);

    // --- Command line: "START" (any letter case) starts acquisition once the first showing has
    // restored the settings; another argument naming an existing file goes to
    // OpenFileForViewing. Nothing happens after a failed restore.
    void SetCommandLineArgument(std::string argument) { FCommandLineArgument = std::move(argument); }
    const std::string& CommandLineArgument() const { return FCommandLineArgument; }
    // Set by the data-file viewer. Unset, a file argument is ignored.
    std::function<void(const std::string& fileName)> OpenFileForViewing;

    // --- State the dialogs read before and write after their modal run. Changes made while
    // acquiring take effect at the next start.
    const TCOMPortSettings& PortSettings() const { return FPortSettings; }
    void SetPortSettings(const TCOMPortSettings& settings) { FPortSettings = settings; }
    int MaxPointsOnScreen() const { return FMaxPointsOnScreen; }
    void SetMaxPointsOnScreen(int points);
    bool AutoCreateIntermagnet() const { return FAutoCreateIntermagnet; }
    void SetAutoCreateIntermagnet(bool on) { FAutoCreateIntermagnet = on; }
    int MinuteOr5Seconds() const { return FMinuteOr5Seconds; }
    void SetMinuteOr5Seconds(int value) { FMinuteOr5Seconds = value; }
    const TIntermagnetHeader& IntermagnetHeader() const { return FIntermagnetHeader; }
    // The broker link's panel of the status bar; null until a run publishes.
    QLabel* LinkPanel() const { return FLinkPanel; }
    void SetIntermagnetHeader(const TIntermagnetHeader& header) { FIntermagnetHeader = header; }
    const TIagaSettings& IagaSettings() const { return FIagaSettings; }
    void SetIagaSettings(const TIagaSettings& settings) { FIagaSettings = settings; }
    const TImagCdfSettings& ImagCdfSettings() const { return FImagCdfSettings; }
    void SetImagCdfSettings(const TImagCdfSettings& settings) { FImagCdfSettings = settings; }
    // The devices of the COM names, as stored in the settings file and applied to the process.
    const TSerialDeviceMap& SerialDevices() const { return FSerialDevices; }
    const std::string& SettingsFileName() const { return FSettingsFileName; }

    // The file named in the caption.
    const std::string& ViewedFileName() const { return FViewedFileName; }
    // Remembers the name and, when it differs from the one shown, sets the caption to
    // "<ORVANT-3K>    File: " + name.
    void ShowFileInCaption(const std::string& fileName);
    // The graphs show a viewed file (false at creation and at every start of acquisition).
    bool ViewMode() const;
    void SetViewMode(bool on);

    // --- Acquisition. Acquiring from the switch of the controls at a start until a stop.
    bool Acquiring() const { return FAcquiring; }
    // The start/stop command of the button, both menu items and F5.
    void StartStopBtnClick();
    // Errors are handled inside: a port that cannot be opened shows its box, any failure then
    // asks "Are you sure?" and stops on Yes.
    void StartAcquisition();
    // Every received line is recorded before the files close. Failures only beep; the controls
    // return to Idle in every case once the question (if asked) was answered Yes.
    void StopAcquisition(bool askConfirmation);
    // The per-sample steps; never raises (a failure beeps and skips the remaining steps).
    void HandleSample(const TLogicalPacket& packet) override;
    // The run while acquiring, else null.
    TAcquisitionRun* Run() const { return FRun.get(); }

    // --- Menu commands.
    void Showtextdata1Click();
    void Showdata1Click();
    void Options1Click();
    void Parameters1Click();
    // Runs a command handler; an error escaping it is shown in an error box with its text (the
    // application's general error report), and the program goes on.
    void RunCommand(const std::function<void()>& command);

    // --- Non-modal reports, for the status bar's report panel.
    void ShowReport(TReportKind kind, const std::string& text);
    const TRunStatus& RunStatus() const { return FRunStatus; }

    // --- Orderly end on a stop signal: RequestShutdown closes open boxes, dialogs and menus
    // (boxes asked for from then on are not shown, questions answer Yes) and ends every running
    // event loop; once the outermost one has returned, FinishShutdown stops acquisition without
    // asking (every received line recorded, files closed) and closes the window, which saves
    // the settings.
    void RequestShutdown();
    void FinishShutdown();
    bool ShutdownRequested() const { return FShutdownRequested; }

    // --- Components, each with its component name as objectName.
    QWidget* ToolBarPanel() const { return FToolBarPanel; }
    QPushButton* StartStopBtn() const { return FStartStopBtn; }
    QCheckBox* CheckBox(int index) const { return FCheckBoxes.at(static_cast<std::size_t>(index)); }
    QPushButton* BitBtn1() const { return FBitBtn1; }
    QPushButton* ClearBtn() const { return FClearBtn; }
    QCheckBox* CrossMouseCB() const { return FCrossMouseCB; }
    TChannelGraphs* Graphs() const { return FGraphs; }
    QStatusBar* StatusBar1() const { return FStatusBar1; }
    // Panel 0 (the mouse readout) and panel 1 (holding the progress bar).
    QWidget* StatusPanel(int index) const;
    QLabel* ReadoutPanel() const { return FStatusPanel0; }
    QProgressBar* ProgressBar() const { return FProgressBar; }
    // The acquisition report beside the two panels, cut to the width left to it (whole in its
    // tool tip), so that no report widens the window.
    TElidedLabel* ReportPanel() const { return FReportPanel; }

    QMenu* File1() const { return FFile1; }
    QAction* Open1() const { return FOpen1; }
    QMenu* Recentfiles1() const { return FRecentfiles1; }
    TRecentFiles& RecentFiles() { return FRecentFiles; }
    TDataFileViewer& Viewer() const { return *FViewer; }
    QAction* ConvertArchive1() const { return FConvertArchive1; }
    QAction* CancelConversion1() const { return FCancelConversion1; }
    TConvertArchiveDialog& ConvertDialog() const { return *FConvertDialog; }
    TArchiveConversionRunner& Converter() const { return *FConverter; }
    TViewerCommands& ViewerCommands() const { return *FViewerCommands; }
    QAction* Exit1() const { return FExit1; }
    QMenu* Commands1() const { return FCommands1; }
    QAction* StartAcquisitionMenu() const { return FStartAcquisitionMenu; }
    QAction* StopAcquisitionMenu() const { return FStopAcquisitionMenu; }
    QAction* ArrangeGraphs() const { return FArrangeGraphs; }
    QAction* Cleargraph1() const { return FCleargraph1; }
    QAction* Showtextdata1() const { return FShowtextdata1; }
    QMenu* Intermagnet1() const { return FIntermagnet1; }
    QAction* Showdata1() const { return FShowdata1; }
    QAction* Parameters1() const { return FParameters1; }
    QAction* Options1() const { return FOptions1; }

    TFormStorage& FormStorage() { return *FFormStorage; }
    // The screen's logical resolution over the designed 120 pixels per inch.
    double ScaleFactor() const { return FScale; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    int Scaled(int designed) const;
    void BuildToolBar();
    void BuildStatusBar();
    void BuildMenu();
    void ConnectCommands();
    void SetUpFormStorage();
    void ConnectViewer();
    void ConnectConverter();
    void UpdateConvertCommands();
    void ConvertArchive1Click();

    // Control states of Idle and Acquiring.
    void SetControlsAcquiring();
    void SetControlsIdle();

    // Settings (MainFormSettings.cpp).
    void RestoreSettings(TProfileFile& file);
    void SaveSettings(TProfileFile& file);
    TStationSettings CurrentSettings() const;
    void ApplySettings(const TStationSettings& settings);
    void RunCommandLineAction();

    void RefreshReport();
    // Shows the link of the run's publisher in the status bar (null: hides it).
    void ShowLinkOf(TStationPublisher* publisher);
    void ShowLink(const TLinkStatus& status);
    void CloseModalWidgets();

    std::string FSettingsFileName;
    double FScale = 1.0;

    // State.
    TCOMPortSettings FPortSettings;
    int FMaxPointsOnScreen = 0;
    bool FAutoCreateIntermagnet = false;
    int FMinuteOr5Seconds = 0;
    TIntermagnetHeader FIntermagnetHeader;
    TIagaSettings FIagaSettings;
    TImagCdfSettings FImagCdfSettings;
    TNetworkSettings FNetwork;
    QLabel* FLinkPanel = nullptr;  // the broker link during a run that publishes
    TSerialDeviceMap FSerialDevices;
    std::string FViewedFileName;
    std::string FCommandLineArgument;
    bool FAcquiring = false;
    bool FFirstShowDone = false;
    bool FClosing = false;
    bool FShutdownRequested = false;
    TRunStatus FRunStatus;
    // Panel heights read by the storage, applied together once all are known.
    std::array<int, 5> FStoredPanelHeights{};
    bool FPanelHeightsStored = false;

    // The other windows (owned by the program).
    TGeneralOptionsForm* FOptionsForm = nullptr;
    TIntermagnetForm* FIntermagnetForm = nullptr;
    TIntermagnetTextForm* FIntermagnetTextForm = nullptr;
    TTextForm* FTextForm = nullptr;

    // Components.
    QWidget* FToolBarPanel = nullptr;
    QPushButton* FStartStopBtn = nullptr;
    std::array<QCheckBox*, 5> FCheckBoxes{};
    QPushButton* FBitBtn1 = nullptr;
    QPushButton* FClearBtn = nullptr;
    QCheckBox* FCrossMouseCB = nullptr;
    TChannelGraphs* FGraphs = nullptr;
    QStatusBar* FStatusBar1 = nullptr;
    QLabel* FStatusPanel0 = nullptr;
    QWidget* FStatusPanel1 = nullptr;
    QProgressBar* FProgressBar = nullptr;
    TElidedLabel* FReportPanel = nullptr;
    // Refreshes the report panel while acquiring: samples counted, dropped lines, silence.
    QTimer* FReportTimer = nullptr;

    QMenu* FFile1 = nullptr;
    QAction* FOpen1 = nullptr;
    QMenu* FRecentfiles1 = nullptr;
    QAction* FExit1 = nullptr;
    QMenu* FCommands1 = nullptr;
    QAction* FStartAcquisitionMenu = nullptr;
    QAction* FStopAcquisitionMenu = nullptr;
    QAction* FArrangeGraphs = nullptr;
    QAction* FCleargraph1 = nullptr;
    QAction* FShowtextdata1 = nullptr;
    QMenu* FIntermagnet1 = nullptr;
    QAction* FShowdata1 = nullptr;
    QAction* FParameters1 = nullptr;
    QAction* FOptions1 = nullptr;

    // File viewing.
    TRecentFiles FRecentFiles;
    TDataFileViewer* FViewer = nullptr;
    QAction* FConvertArchive1 = nullptr;
    QAction* FCancelConversion1 = nullptr;
    TConvertArchiveDialog* FConvertDialog = nullptr;
    TArchiveConversionRunner* FConverter = nullptr;
    TRecentFilesMenu* FRecentFilesMenu = nullptr;
    TViewerCommands* FViewerCommands = nullptr;

    // The run of the current acquisition; destroyed (stopped) before the widgets it draws on.
    std::unique_ptr<TAcquisitionRun> FRun;
    // Last, so that a save at destruction still finds everything above.
    std::unique_ptr<TFormStorage> FFormStorage;
};

// "<ORVANT-3K>    File: " + name: the caption while a file is recorded or viewed.
std::string FileCaption(const std::string& fileName);
