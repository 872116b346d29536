// Reports that cannot be missed, through the window's own notifier: a failed port, dropped
// lines; and the orderly end on a stop signal while a box or a dialog is open.

#include "MainFormFixture.h"

#include "acquisition/LogicalPacket.h"
#include "acquisition/ProfileFile.h"
#include "window/WindowNotifier.h"
#include "window/CoefficientGrid.h"
#include "window/IntermagnetForm.h"

#include <QApplication>
#include <QTimer>

namespace {

class MainFormReportsTest : public MainFormTest {
protected:
    // The window's notifier with the boxes answered here, installed over the recording one.
    void UseWindowNotifier(bool realBoxes = false) {
        Notifier = std::make_unique<TWindowNotifier>(&Main());
        Notifier->SetReportSink(
            [this](TReportKind kind, const std::string& text) { Main().ShowReport(kind, text); });
        Notifier->SetBeep([this] { ++Beeps; });
        if (realBoxes) return;
        Notifier->SetErrorBox([this](const std::string& text) { Boxes.push_back(text); });
        Notifier->SetConfirm([this](const std::string& text) {
            Boxes.push_back(text);
            return true;
        });
    }
    ~MainFormReportsTest() override { Notifier.reset(); }

    QString Report() { return Main().ReportPanel()->text(); }

    std::unique_ptr<TWindowNotifier> Notifier;
    std::vector<std::string> Boxes;
    int Beeps = 0;
};

// Runs the event loop as the program does, with a guard against a test that would hang.
int RunEventLoop() {
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] {
        ADD_FAILURE() << "the event loop did not end";
        if (QWidget* modal = QApplication::activeModalWidget()) modal->hide();
        QCoreApplication::exit(1);
    });
    guard.start(15000);
    return QApplication::exec();
}

}  // namespace

TEST_F(MainFormReportsTest, WaitingRecordingAndAPortFailureAreShownWithoutWideningTheWindow) {
    // A device with a long path, as a USB adapter's stable name is.
    const std::string link = Dir.File("usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0-" + std::string(60, 'x'));
    std::filesystem::create_symlink(Terminal.SlavePath(), link);
    SetSerialOverride(link);
    Make();
    UseWindowNotifier();
    Show();
    const int minimumWidth = Main().minimumSizeHint().width();
    StartOnTerminal();
    // The port is open, nothing has come yet.
    const QString waiting = QString::fromStdString("Waiting for data: COM1 open, reading " + link);
    ASSERT_TRUE(ProcessEventsUntil([&] { return Report() == waiting; })) << Report().toStdString();
    const std::string sent = Send(0, 1);
    ASSERT_TRUE(WaitForArchive(sent));
    ASSERT_TRUE(ProcessEventsUntil([this] { return Report().startsWith("Recording: COM1 open"); }))
        << Report().toStdString();

    // The device goes away.
    Terminal.CloseMaster();
    ASSERT_TRUE(ProcessEventsUntil([this] { return Report().startsWith("PORT ERROR: "); }))
        << Report().toStdString();
    EXPECT_TRUE(Report().endsWith("not recording: port error")) << Report().toStdString();
    EXPECT_TRUE(Main().ReportPanel()->styleSheet().contains("#c00000"));
    EXPECT_FALSE(Main().RunStatus().Recording());
    EXPECT_EQ(Main().StartStopBtn()->text(), "Stop");
    // Too long for the panel: cut, whole in the tool tip, and the window as narrow as before.
    Settle();
    EXPECT_EQ(Main().minimumSizeHint().width(), minimumWidth);
    EXPECT_EQ(Main().ReportPanel()->toolTip(), Report());
    EXPECT_LT(Main().ReportPanel()->ShownText().size(), Report().size());
    EXPECT_TRUE(Main().ReportPanel()->ShownText().endsWith(QChar(0x2026)));

    Main().StopAcquisition(false);
    EXPECT_EQ(Report(), "Stopped; 1 samples recorded");
    EXPECT_TRUE(Main().ReportPanel()->styleSheet().isEmpty());
    EXPECT_TRUE(Boxes.empty());
}

TEST_F(MainFormReportsTest, DroppedLinesAreCountedWithTheLastReason) {
    Make();
    UseWindowNotifier();
    Show();
    StartOnTerminal();
    std::string unparseable = InstrumentLine(Start, 0);
    unparseable[30] = 'x';
    Terminal.Write(unparseable + "\r\nshort line\r\n");
    const std::string sent = Send(1, 1);
    ASSERT_TRUE(WaitForArchive(sent));
    ASSERT_TRUE(ProcessEventsUntil([this] { return Main().RunStatus().BadLines() == 2 && Beeps == 2; }));
    Settle();
    // A line of the wrong length is reported with its length, not only beeped.
    EXPECT_TRUE(Report().endsWith(" | Bad lines: 2, last: Dropped a line of 10 characters (61 "
                                  "expected)"))
        << Report().toStdString();
    EXPECT_TRUE(Main().RunStatus().Recording());
    Main().StopAcquisition(false);
}

TEST_F(MainFormReportsTest, AHeaderThatBreaksItsRuleIsShownForTheRunAndWritesNoIntermagnetFile) {
    WriteWholeFile(SettingsFile, "[Intermagnet]\nIDC=A.B\nCOMP=XYZF\nGIN=EDI\nCOLA=0400\nLONG=0100\n"
                                 "DECBAS=0\n[Filter]\nC0=1\n");
    Make();
    UseWindowNotifier();
    Show();
    StartOnTerminal();
    const std::string sent = Send(0, 70);  // two minute marks
    ASSERT_TRUE(WaitForArchive(sent));
    Settle();
    EXPECT_TRUE(Report().endsWith(" | INTERMAGNET header: IDC must be one to three letters or "
                                  "digits, not \"A.B\"; no INTERMAGNET file is written in this run"))
        << Report().toStdString();
    Main().StopAcquisition(false);
    EXPECT_EQ(Archive(), sent);
    EXPECT_TRUE(FilesUnder("INTERMAGNET").empty());
    EXPECT_TRUE(Boxes.empty());
}

TEST_F(MainFormReportsTest, StopSignalDuringTheStopQuestionRecordsEverythingSavesAndEnds) {
    Make();
    UseWindowNotifier(true);
    Show();
    StartOnTerminal();
    const std::string sent = Send(0, 20);
    ASSERT_TRUE(WaitForArchive(sent));

    bool questionShown = false;
    // The user presses Stop: a real "Are you sure?" box waits for an answer...
    QTimer::singleShot(0, &Main(), [this] { Main().StartStopBtnClick(); });
    // ...when the stop signal comes.
    QTimer::singleShot(200, &Main(), [this, &questionShown] {
        questionShown = QApplication::activeModalWidget() != nullptr;
        Main().RequestShutdown();
    });
    EXPECT_EQ(RunEventLoop(), 0);
    Main().FinishShutdown();

    EXPECT_TRUE(questionShown);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_FALSE(Main().Acquiring());
    EXPECT_FALSE(Main().isVisible());
    EXPECT_EQ(Archive(), sent);
    EXPECT_TRUE(TProfileFile(SettingsFile).ValueExists("TOstrelMainForm", "NormPos"));
}

TEST_F(MainFormReportsTest, StopSignalEndsADialogThatRefusesToClose) {
    Make();
    UseWindowNotifier();
    Show();
    TIntermagnetForm& form = Windows->Intermagnet();
    bool dialogShown = false;
    QTimer::singleShot(0, &Main(), [this] { Main().Parameters1()->trigger(); });
    QTimer::singleShot(100, &Main(), [this, &form, &dialogShown] {
        dialogShown = form.isVisible();
        // An entry that keeps the dialog from closing.
        form.AddCoefBtnClick();
        form.CGrid()->SetCell(1, 0, QStringLiteral("abc"));
        Main().RequestShutdown();
    });
    EXPECT_EQ(RunEventLoop(), 0);
    Main().FinishShutdown();
    EXPECT_TRUE(dialogShown);
    EXPECT_FALSE(form.isVisible());
    // The dialog's complaint was not shown: the program was closing.
    EXPECT_TRUE(Boxes.empty());
    EXPECT_TRUE(FilterCoefficientTexts.empty());
    EXPECT_TRUE(TProfileFile(SettingsFile).ValueExists("TOstrelMainForm", "NormPos"));
}

TEST_F(MainFormReportsTest, APortPluggedBackClearsThePortErrorAndRecordingGoesOn) {
    // The port is a link, as a USB adapter's stable name is; it is re-pointed to a new device.
    const std::string link = Dir.File("instrument");
    std::filesystem::create_symlink(Terminal.SlavePath(), link);
    SetSerialOverride(link);
    Make();
    UseWindowNotifier();
    Show();
    StartOnTerminal();
    std::string sent = Send(0, 2);
    ASSERT_TRUE(WaitForArchive(sent));

    Terminal.CloseMaster();
    ASSERT_TRUE(ProcessEventsUntil([this] { return Report().startsWith("PORT ERROR: "); }))
        << Report().toStdString();
    TPseudoTerminal replugged;
    std::filesystem::remove(link);
    std::filesystem::create_symlink(replugged.SlavePath(), link);
    ASSERT_TRUE(ProcessEventsUntil([this] { return Report().startsWith("Recording: "); }, 10000))
        << Report().toStdString();
    EXPECT_TRUE(Main().ReportPanel()->styleSheet().isEmpty());

    std::string more;
    for (int i = 2; i < 4; ++i) more += InstrumentLine(Start, i) + "\r\n";
    replugged.Write(more);
    ASSERT_TRUE(WaitForArchive(sent + more));
    Main().StopAcquisition(false);
    EXPECT_TRUE(Boxes.empty());
}

// What the run's start says about its IAGA-2002 files stays in the report panel for the run, and
// a failing IAGA-2002 write is named there by its file.
TEST_F(MainFormReportsTest, IagaNoticesAndWriteFailuresAreShownInTheReport) {
    Make();
    UseWindowNotifier();
    Show();
    TIagaSettings iaga;
    iaga.SecondFiles = iaga.MinuteFiles = true;
    iaga.Header.Latitude = iaga.Header.Longitude = iaga.Header.Elevation = "1";
    Main().SetIagaSettings(iaga);
    Main().SetIntermagnetHeader({"ABC", "XYZF", "EDI", "0", "0", "0"});
    Main().SetMinuteOr5Seconds(1);
    WriteWholeFile("IAGA2002", "in the way");
    StartOnTerminal();
    const std::string sent = Send(0, 1);
    ASSERT_TRUE(WaitForArchive(sent));
    ASSERT_TRUE(ProcessEventsUntil([this] { return Report().startsWith("WRITE ERROR: "); }))
        << Report().toStdString();
    EXPECT_TRUE(Report().contains(
        "IAGA2002/2024/01/abc20240105vsec.sec: Could not create directory IAGA2002/"))
        << Report().toStdString();
    EXPECT_TRUE(Report().endsWith("No IAGA-2002 minute files in this run: they need one-minute "
                                  "values (INTERMAGNET parameters)"))
        << Report().toStdString();
    Main().StopAcquisition(false);
}
