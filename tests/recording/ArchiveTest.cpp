#include "ExpectFailure.h"
#include "FileSizeLimit.h"
#include "TempDir.h"
#include "recording/TextWithTimeDataFile.h"

#include <gtest/gtest.h>

#include <filesystem>
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

TEST(Archive, AFailedReopenClosesAndTheNextPacketStartsANewFile) {
    TTempDir dir(true);
    TArchive archive;
    for (int n = 1; n <= 800; ++n) archive.WriteDateFile(Line(n), Stamp + n / SecondsPerDay);
    fs::rename(archive.GetFileName(), "moved.orv");  // the reopen by name must fail
    ExpectFailure([&] { archive.WriteDateFile(Line(801), Stamp + 801 / SecondsPerDay); },
                  WriteFailure("No such file or directory"));
    EXPECT_FALSE(archive.Opened());
    archive.WriteDateFile(Line(802), Stamp + 802 / SecondsPerDay);
    EXPECT_EQ(archive.GetFileName(), "ARCHIVE/2024/01/20240105124818.orv");
    EXPECT_EQ(ReadWholeFile(archive.GetFileName()), Line(802) + "\r\n");
    std::string written;  // line 801 went out before the reopen failed
    for (int n = 1; n <= 801; ++n) written += Line(n) + "\r\n";
    EXPECT_TRUE(ReadWholeFile("moved.orv") == written);
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
