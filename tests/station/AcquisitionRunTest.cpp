#include "station/AcquisitionRun.h"

#include "acquisition/ComPortThread.h"
#include "acquisition/HandOff.h"
#include "acquisition/LogicalPacket.h"
#include "acquisition/SampleHandler.h"
#include "acquisition/SerialDevices.h"
#include "recording/Filter.h"
#include "instrument/InstrumentLine.h"
#include "PseudoTerminal.h"
#include "QtTestApplication.h"
#include "RecordingNotifier.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

namespace {

namespace fs = std::filesystem;

std::string Line(TDateTime start, int index) {
    const double x = index;
    return FormatInstrumentLine(start + index / SecondsPerDay,
                                {21000 + x / 10, -1200 - x / 10, 45000 + x / 100, 20.5, 19.5});
}

int CountLines(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

// The handler a run hands packets to: records them through the run, as the window does.
class TRunHandler : public TSampleHandler {
public:
    void HandleSample(const TLogicalPacket& packet) override {
        if (Delay.count() > 0) std::this_thread::sleep_for(Delay);
        try {
            Records.push_back(Run->RecordSample(packet));
        } catch (const std::exception& error) {
            Failures.push_back(error.what());
        }
    }
    TAcquisitionRun* Run = nullptr;
    std::chrono::milliseconds Delay{0};
    std::vector<TSampleRecord> Records;
    std::vector<std::string> Failures;
};

class AcquisitionRun : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureQtApplication();
        SetSerialOverride(Terminal.SlavePath());
    }
    void TearDown() override { SetSerialOverride(""); }

    // The default header texts (the field names) do not fit the file format; these do. A
    // filter that passes every sample through, so each minute's sample is its record.
    static TRunSettings Settings() {
        TRunSettings settings;
        settings.IntermagnetHeader = {"OBS", "XYZF", "EDI", "0402", "0245", "0"};
        settings.FilterCoefficients = {1.0};
        return settings;
    }
    std::unique_ptr<TAcquisitionRun> StartRun(TRunSettings settings = Settings()) {
        auto run = std::make_unique<TAcquisitionRun>(settings, Handler);
        Handler.Run = run.get();
        run->Start();
        EXPECT_TRUE(ServeHandOffsUntil(
            [&run] { return run->Reader()->State() == TComPortThread::TState::Reading; }, 10000));
        return run;
    }

    TTempDir Directory{true};
    TRecordingNotifier Notifier;
    TPseudoTerminal Terminal;
    TRunHandler Handler;
    const TDateTime Start = EncodeDateTime(2024, 2, 28, 23, 58, 0);
};

}  // namespace

TEST_F(AcquisitionRun, RecordsEveryLineInTheArchiveAndIntermagnetFilesAcrossMidnight) {
    auto run = StartRun();
    std::string sent;
    for (int i = 0; i < 240; ++i) sent += Line(Start, i) + "\r\n";
    Terminal.Write(sent);
    ASSERT_TRUE(ServeHandOffsUntil([this] { return Handler.Records.size() == 240; }, 20000));
    run->Stop();
    EXPECT_FALSE(run->HasObjects());

    const auto archives = FilesUnder("ARCHIVE");
    ASSERT_EQ(archives.size(), 2u);
    EXPECT_EQ(archives[0], fs::path("ARCHIVE/2024/02/20240228235800.orv"));
    EXPECT_EQ(archives[1], fs::path("ARCHIVE/2024/02/20240229000000.orv"));
    EXPECT_EQ(ReadWholeFile(archives[0]) + ReadWholeFile(archives[1]), sent);
    EXPECT_EQ(Handler.Records.back().ArchiveFileName, "ARCHIVE/2024/02/20240229000000.orv");

    // One record a minute, each file completed to its last block line.
    const auto intermagnet = FilesUnder("INTERMAGNET");
    ASSERT_EQ(intermagnet.size(), 2u);
    EXPECT_EQ(intermagnet[0].filename(), "Feb2824.OBS");
    EXPECT_EQ(intermagnet[1].filename(), "Feb2924.OBS");
    EXPECT_EQ(CountLines(ReadWholeFile(intermagnet[0])), 31);
    EXPECT_EQ(CountLines(ReadWholeFile(intermagnet[1])), 31);
    int records = 0;
    for (const auto& record : Handler.Records) records += record.IntermagnetLine.empty() ? 0 : 1;
    EXPECT_EQ(records, 4);
}

TEST_F(AcquisitionRun, WithoutAutomaticIntermagnetOrWithABadHeaderOnlyTheArchiveIsWritten) {
    TRunSettings off = Settings();
    off.AutoCreateIntermagnet = false;
    TRunSettings badHeader = Settings();
    badHeader.IntermagnetHeader.COLA = "12.5";
    for (const TRunSettings& settings : {off, badHeader}) {
        auto run = StartRun(settings);
        Handler.Records.clear();
        for (int i = 0; i < 120; ++i) Terminal.Write(Line(Start, i) + "\r\n");
        ASSERT_TRUE(ServeHandOffsUntil([this] { return Handler.Records.size() == 120; }, 20000));
        run->Stop();
    }
    EXPECT_EQ(FilesUnder("ARCHIVE").size(), 2u);
    EXPECT_TRUE(FilesUnder("INTERMAGNET").empty());
    // Said once, for the run with the bad header only.
    EXPECT_EQ(Notifier.ReportsOf(TReportKind::SettingsError),
              std::vector<std::string>{"INTERMAGNET header: COLA must be one to four digits, not "
                                       "\"12.5\"; no INTERMAGNET file is written in this run"});
}

TEST_F(AcquisitionRun, StopRecordsEveryQueuedPacketBeforeTheFilesClose) {
    Handler.Delay = std::chrono::milliseconds(2);
    auto run = StartRun();
    std::string sent;
    for (int i = 0; i < 500; ++i) sent += Line(Start, i) + "\r\n";
    Terminal.Write(sent);
    // Wait until the reader has queued everything while the handler still lags behind.
    ASSERT_TRUE(ServeHandOffsUntil([&run] { return run->Reader()->LinesQueued() == 500; }, 20000));
    EXPECT_LT(Handler.Records.size(), 500u);
    run->Stop();
    EXPECT_EQ(Handler.Records.size(), 500u);
    std::string recorded;
    for (const auto& file : FilesUnder("ARCHIVE")) recorded += ReadWholeFile(file);
    EXPECT_EQ(recorded, sent);
}

TEST_F(AcquisitionRun, AMissingPortFailsTheTrialOpenWithTheDeviceAndReason) {
    SetSerialOverride("");
    SetSerialDevice(4, (Directory.Path() / "no-such-device").string());
    TRunSettings settings;
    settings.PortSettings.COMPort = 3;
    TAcquisitionRun run(settings, Handler);
    run.CreateSemaphoreAndProcessing();
    run.CreateWriters();
    try {
        run.TrialOpen();
        FAIL() << "the trial open succeeded";
    } catch (const EPortOpenError& error) {
        EXPECT_STREQ(error.what(), "Could not open COM port: COM4");
        EXPECT_EQ(error.Detail(),
                  (Directory.Path() / "no-such-device").string() + ": No such file or directory");
    }
    run.Stop();
    EXPECT_FALSE(run.HasObjects());
    EXPECT_TRUE(FilesUnder("ARCHIVE").empty());
    ClearSerialDevices();
}

TEST_F(AcquisitionRun, AFailedArchiveWriteSkipsTheIntermagnetStepAndTheNextPacketRecovers) {
    auto run = StartRun();
    WriteWholeFile("ARCHIVE", "a plain file where the archive folder belongs");
    Terminal.Write(Line(Start, 0) + "\r\n");
    ASSERT_TRUE(ServeHandOffsUntil([this] { return Handler.Failures.size() == 1; }, 10000));
    EXPECT_EQ(Handler.Failures[0], "Could not create directory ARCHIVE/");
    EXPECT_TRUE(FilesUnder("INTERMAGNET").empty());

    fs::remove("ARCHIVE");
    Terminal.Write(Line(Start, 1) + "\r\n");
    ASSERT_TRUE(ServeHandOffsUntil([this] { return Handler.Records.size() == 1; }, 10000));
    run->Stop();
    const auto archives = FilesUnder("ARCHIVE");
    ASSERT_EQ(archives.size(), 1u);
    EXPECT_EQ(ReadWholeFile(archives[0]), Line(Start, 1) + "\r\n");
}

// Both IAGA-2002 products beside the INTERMAGNET writer, from one filter: across midnight the
// first day is completed, the second runs as far as the stop.
TEST_F(AcquisitionRun, WritesIagaSecondAndMinuteFilesBesideTheOthers) {
    TRunSettings settings = Settings();
    settings.IntermagnetHeader.IDC = "AbC";
    settings.Iaga.SecondFiles = settings.Iaga.MinuteFiles = true;
    settings.Iaga.Header.Latitude = "45";
    settings.Iaga.Header.Longitude = "10";
    settings.Iaga.Header.Elevation = "0";
    auto run = StartRun(settings);
    EXPECT_TRUE(Notifier.ReportsOf(TReportKind::SettingsError).empty());
    std::string sent;
    for (int i = 0; i < 240; ++i) sent += Line(Start, i) + "\r\n";
    Terminal.Write(sent);
    ASSERT_TRUE(ServeHandOffsUntil([this] { return Handler.Records.size() == 240; }, 20000));
    run->Stop();
    EXPECT_TRUE(Handler.Failures.empty());
    EXPECT_EQ(Handler.Records.back().IagaSecondFileName, "IAGA2002/2024/02/abc20240229vsec.sec");
    EXPECT_EQ(Handler.Records.back().IagaMinuteFileName, "IAGA2002/2024/02/abc20240229vmin.min");

    const auto files = FilesUnder("IAGA2002");
    ASSERT_EQ(files.size(), 4u);
    const int head = 16;
    EXPECT_EQ(files[0], fs::path("IAGA2002/2024/02/abc20240228vmin.min"));
    EXPECT_EQ(CountLines(ReadWholeFile(files[0])), head + 1440);
    EXPECT_EQ(CountLines(ReadWholeFile(files[1])), head + 86400);
    EXPECT_EQ(CountLines(ReadWholeFile(files[2])), head + 2);
    EXPECT_EQ(CountLines(ReadWholeFile(files[3])), head + 120);
    // The minute record is the filter's output, the very value of the INTERMAGNET record.
    const std::string minutes = ReadWholeFile(files[2]);
    EXPECT_EQ(minutes.substr(minutes.size() - 72, 70),
              "2024-02-29 00:01:00.000 060     21018.00  -1218.00  45001.80  88888.00");
    EXPECT_EQ(FilesUnder("INTERMAGNET").size(), 2u);
}

// Settings that break the rules, or minute files beside five-second values: said once, no such
// files, and the archive and INTERMAGNET files record as always.
TEST_F(AcquisitionRun, IagaSettingsThatCannotBeWrittenAreNoticedOnceAndLeftOut) {
    TRunSettings settings = Settings();
    settings.Iaga.SecondFiles = true;
    settings.IntermagnetHeader.IDC = "AB";
    TAcquisitionRun broken(settings, Handler);
    broken.CreateWriters();
    EXPECT_EQ(Notifier.ReportsOf(TReportKind::SettingsError),
              std::vector<std::string>{"No IAGA-2002 files in this run: The IAGA code (the IDC) "
                                       "must be three letters or digits, not \"AB\""});
    EXPECT_FALSE(broken.IagaSecondFile());

    settings.IntermagnetHeader.IDC = "ABC";
    settings.Iaga.Header.Latitude = settings.Iaga.Header.Longitude = "1";
    settings.Iaga.Header.Elevation = "1";
    settings.Iaga.MinuteFiles = true;
    settings.MinuteOr5Seconds = 1;
    auto run = StartRun(settings);
    const auto reports = Notifier.ReportsOf(TReportKind::SettingsError);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_NE(reports[1].find("need one-minute values"), std::string::npos);
    EXPECT_FALSE(run->IagaMinuteFile());
    for (int i = 0; i < 10; ++i) Terminal.Write(Line(Start, i) + "\r\n");
    ASSERT_TRUE(ServeHandOffsUntil([this] { return Handler.Records.size() == 10; }, 20000));
    run->Stop();
    EXPECT_EQ(FilesUnder("ARCHIVE").size(), 1u);
    EXPECT_EQ(FilesUnder("IAGA2002").size(), 1u);  // the second file only
}
