#include "ExpectFailure.h"
#include "FileSizeLimit.h"
#include "RecordingNotifier.h"
#include "TempDir.h"
#include "recording/TextWithTimeDataFile.h"

#include <gtest/gtest.h>

#include <barrier>
#include <filesystem>
#include <set>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// The archive writer as the run controller sets it up.
class TArchive : public TTextWithTimeDataFile {
public:
    TArchive() { SetExtension("orv"); }
};

std::string Line(int n) { return "2024 01 05 line " + std::to_string(n); }

const TDateTime Stamp = EncodeDateTime(2024, 1, 5, 12, 34, 56);
const TExpectedFailure WriteFailure(const std::string& message) {
    return {message, "TTextDateFile", "WriteDateFile"};
}

}  // namespace

TEST(Archive, FirstPacketCreatesTheTreeAndNamesTheFile) {
    TTempDir dir(true);
    TArchive archive;
    EXPECT_EQ(archive.DateFormat(), "YYYYMMDDHHNNSS");
    archive.WriteDateFile(Line(1), Stamp);
    EXPECT_EQ(archive.GetFileName(), "ARCHIVE/2024/01/20240105123456.orv");
    archive.WriteDateFile(Line(2), Stamp + 1.0 / SecondsPerDay);
    EXPECT_EQ(ReadWholeFile("ARCHIVE/2024/01/20240105123456.orv"),
              Line(1) + "\r\n" + Line(2) + "\r\n");
    EXPECT_EQ(archive.LineCount(), 2);
    EXPECT_EQ(archive.LastTime(), Stamp + 1.0 / SecondsPerDay);
}

TEST(Archive, LaterRunsNeverOverwriteAnEarlierRecording) {
    TTempDir dir(true);
    for (int run = 0; run < 3; ++run) {
        TArchive archive;
        archive.WriteDateFile(Line(run), Stamp);
    }
    const std::string prefix = "ARCHIVE/2024/01/20240105123456";
    EXPECT_EQ(ReadWholeFile(prefix + ".orv"), Line(0) + "\r\n");
    EXPECT_EQ(ReadWholeFile(prefix + "_0.orv"), Line(1) + "\r\n");
    EXPECT_EQ(ReadWholeFile(prefix + "_1.orv"), Line(2) + "\r\n");

    WriteWholeFile("ARCHIVE/2024/01/20240105123457.txt", "notes");
    TArchive archive;
    archive.WriteDateFile(Line(9), Stamp + 1.0 / SecondsPerDay);
    EXPECT_EQ(archive.GetFileName(), "ARCHIVE/2024/01/20240105123457_0.orv");
}

TEST(Archive, EveryDayChangeStartsANewFileInThatMonthsDirectory) {
    TTempDir dir(true);
    TArchive archive;
    std::vector<std::string> opened;
    archive.OnOpen = [&](TDataFile&, const std::string& name) { opened.push_back(name); };
    archive.WriteDateFile(Line(1), EncodeDateTime(2023, 12, 31, 23, 59, 59));
    archive.WriteDateFile(Line(2), EncodeDateTime(2024, 1, 1, 0, 0, 0));
    archive.WriteDateFile(Line(3), EncodeDateTime(2024, 1, 31, 23, 59, 59));
    archive.WriteDateFile(Line(4), EncodeDateTime(2024, 2, 1, 0, 0, 0));
    archive.WriteDateFile(Line(5), EncodeDateTime(2024, 1, 31, 12, 0, 0));  // clock went back
    archive.WriteDateFile(Line(6), EncodeDateTime(2024, 1, 31, 12, 0, 1));
    EXPECT_EQ(opened, (std::vector<std::string>{
                          "ARCHIVE/2023/12/20231231235959.orv", "ARCHIVE/2024/01/20240101000000.orv",
                          "ARCHIVE/2024/01/20240131235959.orv", "ARCHIVE/2024/02/20240201000000.orv",
                          "ARCHIVE/2024/01/20240131120000.orv"}));
    EXPECT_EQ(ReadWholeFile(opened[4]), Line(5) + "\r\n" + Line(6) + "\r\n");
    EXPECT_EQ(ReadWholeFile(opened[3]), Line(4) + "\r\n");
}

TEST(Archive, ReopensAfterLine801WithoutChangingTheContent) {
    TTempDir dir(true);
    std::string expected;
    {
        TArchive archive;
        for (int n = 1; n <= 1000; ++n) {
            archive.WriteDateFile(Line(n), Stamp + (n - 1) / SecondsPerDay);
            expected += Line(n) + "\r\n";
            if (n == 801) {
                EXPECT_EQ(archive.LineCount(), 0);
            }
        }
        EXPECT_EQ(archive.LineCount(), 199);
    }
    EXPECT_TRUE(ReadWholeFile("ARCHIVE/2024/01/20240105123456.orv") == expected);
}

TEST(Archive, APlainFileInThePathFailsUntilItIsGone) {
    TTempDir dir(true);
    WriteWholeFile("ARCHIVE", "in the way");
    TArchive archive;
    ExpectFailure([&] { archive.WriteDateFile(Line(1), Stamp); },
                  WriteFailure("Could not create directory ARCHIVE/"));
    EXPECT_FALSE(archive.Opened());
    EXPECT_EQ(ReadWholeFile("ARCHIVE"), "in the way");
    fs::remove("ARCHIVE");
    archive.WriteDateFile(Line(2), Stamp + 1.0 / SecondsPerDay);
    EXPECT_EQ(ReadWholeFile("ARCHIVE/2024/01/20240105123457.orv"), Line(2) + "\r\n");
}

TEST(Archive, AFailedWriteKeepsTheFileOpenAndTheCountsUnchanged) {
    TTempDir dir(true);
    TArchive archive;
    archive.WriteDateFile(Line(1), Stamp);
    const std::string name = archive.GetFileName();
    {
        TFileSizeLimit limit(fs::file_size(name) + 3);
        ExpectFailure([&] { archive.WriteDateFile(Line(2), Stamp + 1 / SecondsPerDay); },
                      WriteFailure("File too large"));
    }
    EXPECT_TRUE(archive.Opened());
    EXPECT_EQ(archive.LineCount(), 1);
    EXPECT_EQ(archive.LastTime(), Stamp);
    archive.WriteDateFile(Line(3), Stamp + 2 / SecondsPerDay);
    EXPECT_EQ(ReadWholeFile(name), Line(1) + "\r\n" + Line(3) + "\r\n");
}

TEST(Archive, AFailedReopenIsReportedOnceAndTheNextPacketStartsANewFile) {
    TTempDir dir(true);
    TRecordingNotifier notifier;
    TArchive archive;
    for (int n = 1; n <= 800; ++n) archive.WriteDateFile(Line(n), Stamp + n / SecondsPerDay);
    const std::string name = archive.GetFileName();
    fs::rename(name, "moved.orv");  // the reopen by name must fail
    archive.WriteDateFile(Line(801), Stamp + 801 / SecondsPerDay);  // written: no failure
    EXPECT_FALSE(archive.Opened());
    EXPECT_EQ(notifier.ReportsOf(TReportKind::WriteError),
              std::vector<std::string>{name + " could not be reopened (No such file or "
                                              "directory); recording goes on in a new file"});
    archive.WriteDateFile(Line(802), Stamp + 802 / SecondsPerDay);
    EXPECT_EQ(archive.GetFileName(), "ARCHIVE/2024/01/20240105124818.orv");
    EXPECT_EQ(ReadWholeFile(archive.GetFileName()), Line(802) + "\r\n");
    std::string written;  // line 801 went out before the reopen failed
    for (int n = 1; n <= 801; ++n) written += Line(n) + "\r\n";
    EXPECT_TRUE(ReadWholeFile("moved.orv") == written);
}

TEST(Archive, TwoRecordersInOneFolderNeverTruncateEachOther) {
    // Synchronised instruments: both writers reach the same new name at every midnight.
    TTempDir dir(true);
    constexpr int Days = 150;
    std::barrier midnight(2);
    const auto record = [&](char recorder) {
        TArchive archive;
        for (int day = 0; day < Days; ++day) {
            midnight.arrive_and_wait();
            archive.WriteDateFile(std::string(1, recorder) + std::to_string(day),
                                  EncodeDate(2024, 1, 1) + day);
        }
    };
    std::thread first(record, 'a'), second(record, 'b');
    first.join();
    second.join();
    std::multiset<std::string> lines;
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator("ARCHIVE")) {
        if (!entry.is_regular_file()) continue;
        ++files;
        lines.insert(ReadWholeFile(entry.path().string()));
    }
    EXPECT_EQ(files, 2 * Days);
    for (int day = 0; day < Days; ++day)
        for (const char* recorder : {"a", "b"})
            EXPECT_EQ(lines.count(recorder + std::to_string(day) + "\r\n"), 1u) << recorder << day;
}

TEST(Archive, AFolderThatCannotBeWrittenFailsTheOpen) {
    if (geteuid() == 0) GTEST_SKIP() << "permissions do not stop root";
    TTempDir dir(true);
    fs::create_directories("ARCHIVE/2024/01");
    fs::permissions("ARCHIVE/2024/01", fs::perms::owner_read | fs::perms::owner_exec);
    TArchive archive;
    ExpectFailure([&] { archive.WriteDateFile(Line(1), Stamp); },
                  WriteFailure("Permission denied"));
    EXPECT_FALSE(archive.Opened());
}

TEST(Archive, FinishClosesAndAFurtherPacketStartsANewFile) {
    TTempDir dir(true);
    TArchive archive;
    archive.Finish();  // nothing open: nothing to do
    archive.WriteDateFile(Line(1), Stamp);
    archive.Finish();
    EXPECT_FALSE(archive.Opened());
    archive.WriteDateFile(Line(2), Stamp);
    EXPECT_EQ(archive.GetFileName(), "ARCHIVE/2024/01/20240105123456_0.orv");
}
