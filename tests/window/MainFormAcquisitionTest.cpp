// Acquisition from the main window on a real pseudo-terminal: what each sample does (archive,
// caption, INTERMAGNET record, graphs, monitor windows), a stop with packets still queued, a
// port that cannot be opened, and a sample whose archive write fails.

#include "MainFormFixture.h"

#include "recording/IntermagnetDataFile.h"
#include "ui/IntermagnetTextForm.h"
#include "ui/TextForm.h"

#include <thread>

namespace {

namespace fs = std::filesystem;

}  // namespace

TEST_F(MainFormTest, SamplesAreRecordedCaptionedPlottedWithinTheLimitAndEchoedToShownWindows) {
    WriteWholeFile(SettingsFile,
                   "[Options]\nMaxPointsOnScreen=5\n[Intermagnet]\nIDC=TST\nCOMP=XYZF\nGIN=EDI\nCOLA=0402\nLONG=0245\n"
                   "DECBAS=0\nminuteor5seconds=1\n"
                   "[Filter]\nC0=1\n");
    // Two seconds before midnight: the archive moves to the next day's file on the way.
    Start = EncodeDateTime(2024, 1, 5, 23, 59, 58);
    TOstrelMainForm& main = Make();
    Show();
    Windows->Text().ShowOrBringToFront();
    StartOnTerminal();

    std::string sent = Send(0, 2);
    ASSERT_TRUE(WaitForArchive(sent));
    EXPECT_EQ(main.windowTitle().toStdString(), FileCaption("ARCHIVE/2024/01/20240105235958.orv"));
    sent += Send(2, 10);
    ASSERT_TRUE(WaitForArchive(sent));
    EXPECT_EQ(FilesUnder("ARCHIVE"),
              (std::vector<fs::path>{"ARCHIVE/2024/01/20240105235958.orv",
                                     "ARCHIVE/2024/01/20240106000000.orv"}));
    EXPECT_EQ(main.windowTitle().toStdString(), FileCaption("ARCHIVE/2024/01/20240106000000.orv"));
    EXPECT_EQ(main.ViewedFileName(), "ARCHIVE/2024/01/20240106000000.orv");

    // Within the limit, the newest points.
    for (int g = 0; g < 5; ++g) EXPECT_EQ(main.Graphs()->PointCount(g, g), 5) << g;
    EXPECT_NEAR(main.Graphs()->PointValue(0, 0, 4), 21001.1, 1e-9);
    EXPECT_EQ(main.Graphs()->PointCount(0, 1), 0);

    // The received lines went to the shown window; the hidden INTERMAGNET window got nothing.
    ASSERT_EQ(Windows->Text().LineCount(), 12);
    EXPECT_EQ(Windows->Text().Lines().last().toStdString(), InstrumentLine(Start, 11));
    EXPECT_EQ(Windows->IntermagnetText().LineCount(), 0);

    Windows->IntermagnetText().ShowOrBringToFront();
    Windows->Text().close();
    sent += Send(12, 10);
    ASSERT_TRUE(WaitForArchive(sent));
    // 00:00:10 .. 00:00:19: records for :10 and :15 (five-second values, a one-tap filter).
    const QStringList records = Windows->IntermagnetText().Lines();
    ASSERT_EQ(records.size(), 2);
    EXPECT_EQ(records[0].toStdString(), TIntermagnetDataFile::DataRecord(21001.2, -1201.2, 45000.12));
    // Closed, the received-lines window took nothing more.
    EXPECT_EQ(Windows->Text().LineCount(), 12);
    main.StopAcquisition(false);
    EXPECT_EQ(Archive(), sent);
    // The first record falls on the new day's first mark.
    EXPECT_EQ(FilesUnder("INTERMAGNET"), (std::vector<fs::path>{"INTERMAGNET/2024/01/Jan0624.TST"}));
    EXPECT_EQ(Notes.Beeps(), 0);
}

TEST_F(MainFormTest, WithLivePlottingAndIntermagnetOffOnlyTheArchiveIsWritten) {
    WriteWholeFile(SettingsFile,
                   "[Options]\nMaxPointsOnScreen=0\nAutoCreateIntermagnet=0\n[Filter]\nC0=1\n"
                   "[Intermagnet]\nminuteor5seconds=1\n");
    TOstrelMainForm& main = Make();
    Show();
    Windows->IntermagnetText().ShowOrBringToFront();
    StartOnTerminal();
    const std::string sent = Send(0, 12);
    ASSERT_TRUE(WaitForArchive(sent));
    main.StopAcquisition(false);
    for (int g = 0; g < 5; ++g) EXPECT_EQ(main.Graphs()->PointCount(g, g), 0);
    EXPECT_EQ(Windows->IntermagnetText().LineCount(), 0);
    EXPECT_TRUE(FilesUnder("INTERMAGNET").empty());
}

TEST_F(MainFormTest, StopRecordsEveryPacketStillQueued) {
    TOstrelMainForm& main = Make();
    Show();
    StartOnTerminal();
    const std::string sent = Send(0, 300);
    // The reader queues the lines while this thread serves no hand-off: they wait in the queue.
    TComPortThread* reader = main.Run()->Reader();
    for (int i = 0; i < 1000 && reader->LinesQueued() < 300; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(reader->LinesQueued(), 300u);
    main.StopAcquisition(false);
    EXPECT_EQ(Archive(), sent);
    EXPECT_EQ(main.RunStatus().SamplesRecorded(), 300u);
    EXPECT_EQ(main.RunStatus().Text(), "Stopped; 300 samples recorded");
}

TEST_F(MainFormTest, PortThatCannotBeOpenedIsNamedWithDeviceAndReasonThenTheUserDecides) {
    const std::string missing = Dir.File("no-such-device");
    SetSerialOverride(missing);
    TOstrelMainForm& main = Make();
    Show();
    TCOMPortSettings port = main.PortSettings();
    port.COMPort = 3;
    main.SetPortSettings(port);

    // No: the run stays, without a reader, until the user stops it.
    Notes.AnswerNext(false);
    main.StartAcquisition();
    const std::string box = "Could not open COM port: COM4\n" + missing + ": No such file or directory";
    EXPECT_EQ(Notes.ErrorBoxes(), (std::vector<std::string>{box}));
    EXPECT_EQ(Notes.Confirmations(), (std::vector<std::string>{"Are you sure?"}));
    EXPECT_TRUE(main.Acquiring());
    EXPECT_EQ(main.StartStopBtn()->text(), "Stop");
    ASSERT_NE(main.Run(), nullptr);
    EXPECT_FALSE(main.Run()->HasReader());
    EXPECT_EQ(main.RunStatus().Level(), TRunStatus::TLevel::Error);
    EXPECT_EQ(main.ReportPanel()->text().toStdString(),
              "NOT RECORDING: Could not open COM port: COM4 - " + missing +
                  ": No such file or directory - press Stop");
    // Nothing is being recorded, so Stop stops without asking.
    main.StartStopBtnClick();
    EXPECT_EQ(Notes.Confirmations().size(), 1u);
    EXPECT_FALSE(main.Acquiring());
    EXPECT_EQ(main.Run(), nullptr);

    // Yes: stopped at once.
    main.StartAcquisition();
    EXPECT_EQ(Notes.ErrorBoxes().size(), 2u);
    EXPECT_EQ(Notes.Confirmations().size(), 2u);
    EXPECT_FALSE(main.Acquiring());
    EXPECT_EQ(main.Run(), nullptr);
    EXPECT_EQ(main.StartStopBtn()->text(), "Start");
    EXPECT_TRUE(main.Options1()->isEnabled());
    EXPECT_TRUE(FilesUnder("ARCHIVE").empty());
}

TEST_F(MainFormTest, ArchiveWriteFailureBeepsOnceSkipsTheRestAndRecoversWhenWritable) {
    TOstrelMainForm& main = Make();
    Show();
    Windows->Text().ShowOrBringToFront();
    // A file where the archive's folder belongs: the archive cannot be written.
    WriteWholeFile("ARCHIVE", "not a folder");
    StartOnTerminal();
    Send(0, 1);
    ASSERT_TRUE(ProcessEventsUntil([this] { return Notes.Beeps() == 1; }));
    Settle();
    EXPECT_EQ(Notes.Beeps(), 1);
    EXPECT_EQ(main.Graphs()->PointCount(0, 0), 0);
    EXPECT_EQ(Windows->Text().LineCount(), 0);
    EXPECT_EQ(main.windowTitle(), "ORVANT-3K");
    EXPECT_FALSE(main.RunStatus().Recording());
    EXPECT_TRUE(main.ReportPanel()->text().startsWith("WRITE ERROR: ")) << main.ReportPanel()->text().toStdString();

    fs::remove("ARCHIVE");
    const std::string sent = Send(1, 1);
    ASSERT_TRUE(WaitForArchive(sent));
    ASSERT_TRUE(ProcessEventsUntil([&] { return main.Graphs()->PointCount(0, 0) == 1; }));
    EXPECT_EQ(Windows->Text().LineCount(), 1);
    EXPECT_EQ(Notes.Beeps(), 1);
    main.StopAcquisition(false);
}
