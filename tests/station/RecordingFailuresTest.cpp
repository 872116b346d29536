// The headless recorder when its files cannot be written: a full disk and a removed or blocked
// archive tree. One log message per failure, nothing already written damaged, and recording
// resumes by itself once the disk or the folder is back.

#include "station/HeadlessRecorder.h"

#include "acquisition/HandOff.h"
#include "instrument/InstrumentLine.h"
#include "PseudoTerminal.h"
#include "QtTestApplication.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sys/mount.h>

namespace {

namespace fs = std::filesystem;

std::string Line(int index) {
    const double x = index;
    return FormatInstrumentLine(EncodeDateTime(2024, 1, 5, 10, 0, 0) + index / SecondsPerDay,
                                {21000 + x / 10, -1200, 45000, 20.5, 19.5});
}

std::string Lines(int from, int to) {
    std::string text;
    for (int i = from; i < to; ++i) text += Line(i) + "\r\n";
    return text;
}

int Count(const std::string& text, const std::string& part) {
    int count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

// A small memory file system mounted over a folder for one test; unmounted at its end.
class TSmallDisk {
public:
    explicit TSmallDisk(const fs::path& where) : FWhere(where) {
        fs::create_directories(where);
        FMounted = ::mount("tmpfs", where.c_str(), "tmpfs", 0, "size=64k") == 0;
    }
    ~TSmallDisk() {
        if (FMounted) ::umount2(FWhere.c_str(), MNT_DETACH);
    }
    bool Mounted() const { return FMounted; }
    // Makes room: the same files, a larger size.
    bool Grow() {
        return ::mount("tmpfs", FWhere.c_str(), "tmpfs", MS_REMOUNT, "size=4m") == 0;
    }

private:
    fs::path FWhere;
    bool FMounted = false;
};

class RecordingFailures : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureQtApplication();
        // One-minute INTERMAGNET values through a pass-through filter.
        WriteWholeFile("station.ini",
                       "[Intermagnet]\r\nIDC=TST\r\nCOMP=XYZF\r\nGIN=EDI\r\nCOLA=0402\r\nLONG=0245\r\nDECBAS=0\r\n"
                       "[Filter]\r\nC0=1\r\n");
        Log = std::fopen("recorder.log", "w");
        LogFile = std::make_unique<TStationLog>(Log);
        SetNotifier(LogFile.get());  // as the headless program does
        Recorder = std::make_unique<THeadlessRecorder>(
            THeadlessOptions{"station.ini", Terminal.SlavePath()}, *LogFile);
        ASSERT_TRUE(Recorder->Start());
        ASSERT_TRUE(ServeHandOffsUntil(
            [this] { return LogText().find("open, reading") != std::string::npos; }, 10000));
    }
    void TearDown() override {
        Recorder.reset();
        SetNotifier(nullptr);
        std::fclose(Log);
    }

    // Sends the lines [from, to) and waits until the recorder has dealt with every one.
    void Feed(int from, int to) {
        Terminal.Write(Lines(from, to));
        Sent += to - from;
        ASSERT_TRUE(ServeHandOffsUntil(
            [this] { return Recorder->SamplesRecorded() + Recorder->SamplesFailed() == Sent; },
            20000));
    }

    std::string LogText() const { return ReadWholeFile(Directory.File("recorder.log")); }

    TTempDir Directory{true};
    TPseudoTerminal Terminal;
    std::FILE* Log = nullptr;
    std::unique_ptr<TStationLog> LogFile;
    std::unique_ptr<THeadlessRecorder> Recorder;
    std::uint64_t Sent = 0;
};

}  // namespace

TEST_F(RecordingFailures, AFullDiskIsLoggedOnceLeavesWholeLinesAndRecordingResumesWithRoom) {
    TSmallDisk disk("ARCHIVE");
    if (!disk.Mounted()) GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    Feed(0, 2000);  // about 126 KB: the 64 KB disk fills up on the way
    const std::uint64_t failed = Recorder->SamplesFailed();
    ASSERT_GT(failed, 0u);
    ASSERT_TRUE(disk.Grow());
    Feed(2000, 2100);
    EXPECT_EQ(Recorder->SamplesFailed(), failed);
    Recorder->Stop();

    // One file, the same one throughout: every line up to the full disk, then the lines from
    // the first one written after room came back; no torn line where the disk filled.
    const auto archives = FilesUnder("ARCHIVE");
    ASSERT_EQ(archives.size(), 1u);
    const int recordedBefore = 2000 - static_cast<int>(failed);
    EXPECT_TRUE(ReadWholeFile(archives[0]) == Lines(0, recordedBefore) + Lines(2000, 2100));
    const std::string log = LogText();
    EXPECT_EQ(Count(log, "write error: archive file " + archives[0].string() +
                             ": No space left on device (logged once"),
              1)
        << log;
    EXPECT_EQ(Count(log, "archive file: writing again"), 1) << log;
}

TEST_F(RecordingFailures, ARemovedTreeIsStartedAfreshAndABlockedOneIsLoggedOnceUntilItClears) {
    Feed(0, 300);
    const auto first = FilesUnder("ARCHIVE");
    ASSERT_EQ(first.size(), 1u);

    // Removed while open: the writes would vanish into the deleted files. Both writers start
    // new files instead and say so; no line is lost.
    fs::remove_all("ARCHIVE");
    fs::remove_all("INTERMAGNET");
    Feed(300, 600);
    const auto second = FilesUnder("ARCHIVE");
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(second[0], fs::path("ARCHIVE/2024/01/20240105100500.orv"));
    EXPECT_TRUE(ReadWholeFile(second[0]) == Lines(300, 600));
    ASSERT_EQ(FilesUnder("INTERMAGNET").size(), 1u);
    // The new day file holds the minutes from the removal on (Bx 21030.0 nT at 10:05).
    const std::string intermagnet = ReadWholeFile(FilesUnder("INTERMAGNET")[0]);
    EXPECT_NE(intermagnet.find(" 210300"), std::string::npos) << intermagnet;
    EXPECT_EQ(intermagnet.find(" 210240"), std::string::npos) << intermagnet;
    std::string log = LogText();
    EXPECT_EQ(Count(log, first[0].string() + " has been removed; recording goes on in a new file"), 1)
        << log;
    EXPECT_EQ(Count(log, "INTERMAGNET/2024/01/Jan0524.TST has been removed"), 1) << log;

    // A plain file where the tree should be: every sample fails the same way, logged once;
    // once it is gone, a fresh file takes the lines and the plain file was never touched.
    fs::remove_all("ARCHIVE");
    WriteWholeFile("ARCHIVE", "not a folder");
    Feed(600, 700);
    EXPECT_EQ(Recorder->SamplesFailed(), 100u);
    fs::remove("ARCHIVE");
    Feed(700, 750);
    Recorder->Stop();
    const auto third = FilesUnder("ARCHIVE");
    ASSERT_EQ(third.size(), 1u);
    EXPECT_EQ(third[0], fs::path("ARCHIVE/2024/01/20240105101140.orv"));
    EXPECT_TRUE(ReadWholeFile(third[0]) == Lines(700, 750));
    log = LogText();
    EXPECT_EQ(Count(log, "Could not create directory ARCHIVE/"), 1) << log;
    EXPECT_EQ(Count(log, "archive file: writing again"), 1) << log;
    EXPECT_NE(log.find("stopped: 650 samples recorded, 100 could not be recorded"), std::string::npos);
}
