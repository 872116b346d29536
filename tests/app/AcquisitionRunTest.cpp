#include "app/AcquisitionRun.h"

#include "acquisition/ComPortThread.h"
#include "acquisition/HandOff.h"
#include "acquisition/LogicalPacket.h"
#include "acquisition/SampleHandler.h"
#include "acquisition/SerialDevices.h"
#include "recording/Filter.h"
#include "sim/InstrumentLine.h"
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
        FilterCoefficients = {1.0};
    }
    void TearDown() override {
        SetSerialOverride("");
        FilterCoefficients.clear();
    }

    // The default header texts (the field names) do not fit the file format; these do.
    static TRunSettings Settings() {
        TRunSettings settings;
        settings.IntermagnetHeader = {"IDC", "HDZF", "EDI", "0402", "0245", "0"};
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
    EXPECT_EQ(intermagnet[0].filename(), "Feb2824.IDC");
    EXPECT_EQ(intermagnet[1].filename(), "Feb2924.IDC");
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
