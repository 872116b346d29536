// The archive converter as a program: its files are those of the run that recorded the archive,
// byte for byte, and it makes complete day files of archives holding several runs.

#include "recording/FilterFile.h"
#include "instrument/LineSource.h"
#include "instrument/StampTime.h"
#include "PseudoTerminal.h"
#include "RecorderProcess.h"
#include "TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

const std::string ConvertProgram = ORVANT_BIN_DIR "/tools/orvant3k-convert";

// One-minute INTERMAGNET values and both IAGA-2002 products through the standard 91-coefficient
// filter for one-second data.
std::string WriteSettings(const TTempDir& directory) {
    std::string filter = "[Filter]\r\n";
    const auto coefficients =
        ReadFilterFile(ORVANT_SOURCE_DIR "/filters/gaussian-1s-to-1min-91.filter").Texts;
    for (std::size_t i = 0; i < coefficients.size(); ++i)
        filter += "C" + std::to_string(i) + "=" + coefficients[i] + "\r\n";
    const std::string name = directory.File("station.ini");
    WriteWholeFile(name, "[Intermagnet]\r\nIDC=TST\r\nCOMP=XYZF\r\nGIN=EDI\r\nCOLA=0450\r\n"
                         "LONG=0100\r\nDECBAS=0\r\n" + filter +
                             "[IAGA2002]\r\nSecondFiles=1\r\nMinuteFiles=1\r\nLatitude=45\r\n"
                             "Longitude=10\r\nElevation=0\r\nStationName=Test\r\n");
    return name;
}

// Runs the converter to its end: exit code, and what it said: `log` all of it, `summary` its
// standard output alone.
int Convert(const std::vector<std::string>& arguments, std::string& log,
            std::string* summary = nullptr) {
    TSimProcess converter(ConvertProgram, arguments);
    const int code = converter.Wait(std::chrono::seconds(60));
    log = converter.ErrorOutput() + converter.Output();
    if (summary) *summary = converter.Output();
    return code;
}

// Every derived file below `root`, by its path relative to `root`, with its contents.
std::map<std::string, std::string> DerivedFiles(const fs::path& root) {
    std::map<std::string, std::string> files;
    for (const char* tree : {"INTERMAGNET", "IAGA2002"})
        for (const fs::path& file : FilesUnder(root / tree))
            files[fs::relative(file, root).string()] = ReadWholeFile(file);
    return files;
}

// Lines of one second each from `start`, one day's worth at most per call.
std::string Lines(TDateTime start, std::uint64_t count) {
    const TLineSource source(StampOf(start), TLineRate(1, 1), TLineEnd::CrLf, 0);
    std::string lines;
    for (std::uint64_t i = 0; i < count; ++i) lines += source.Bytes(i);
    return lines;
}

int DataLines(const std::string& iagaFile) {
    int count = 0;
    for (std::size_t at = 0; at < iagaFile.size(); at = iagaFile.find('\n', at) + 1)
        count += iagaFile.compare(at, 2, "20") == 0;
    return count;
}

}  // namespace

TEST(ArchiveConvert, GivesTheFilesOfTheRunThatRecordedTheArchiveByteForByte) {
    TTempDir directory(true);
    const std::string settings = WriteSettings(directory);
    TPseudoTerminal terminal;
    auto recorder = StartRecorder(terminal.SlavePath(), settings);
    ASSERT_TRUE(recorder);
    // Across midnight, with an hour's gap (a cable unplugged) on the new day.
    const std::string before = Lines(EncodeDateTime(2024, 2, 28, 23, 50, 0), 900);
    const std::string after = Lines(EncodeDateTime(2024, 2, 29, 1, 5, 0), 300);
    terminal.Write(before + after);
    ASSERT_TRUE(WaitUntil(
        [&] { return ConcatenatedFiles(FilesUnder("ARCHIVE")).size() == before.size() + after.size(); },
        std::chrono::seconds(30)));
    ASSERT_EQ(recorder->Stop(), 0) << recorder->ErrorOutput();
    const auto live = DerivedFiles(".");
    ASSERT_EQ(live.size(), 6u);  // two days of three products

    std::string log, summary;
    ASSERT_EQ(Convert({"--settings", settings, "--out", "converted", "ARCHIVE"}, log, &summary), 0)
        << log;
    // The summary is the converter's output; its progress and errors go to standard error.
    EXPECT_THAT(summary, HasSubstr("written: "));
    EXPECT_THAT(summary, HasSubstr("lines read: 1200, lines refused: 0, files written: 6"));
    EXPECT_THAT(summary, Not(HasSubstr("settings: ")));
    const auto converted = DerivedFiles("converted");
    ASSERT_EQ(converted.size(), live.size()) << log;
    for (const auto& [name, contents] : live)
        EXPECT_TRUE(converted.count(name) && converted.at(name) == contents) << name;
    EXPECT_THAT(log, HasSubstr("lines read: 1200, lines refused: 0, files written: 6"));

    // Converted again into the same folder: nothing is overwritten.
    ASSERT_EQ(Convert({"--settings", settings, "--out", "converted", "--iaga-minutes", "ARCHIVE"},
                      log), 0) << log;
    EXPECT_EQ(DerivedFiles("converted").size(), 8u);
    for (const auto& [name, contents] : converted)
        EXPECT_EQ(ReadWholeFile(fs::path("converted") / name), contents) << name;
}

TEST(ArchiveConvert, MergesRunsIntoCompleteDayFilesAndNamesWhatItCannotUse) {
    TTempDir directory(true);
    const std::string settings = WriteSettings(directory);
    // 31 January from 23:00 (over the month end) to 1 February, recorded by two runs: the
    // second began at 12:00 on 1 February while the first was still recording. Beside them,
    // notes, a file that is not an archive file, and a bad line.
    fs::create_directories("store/ARCHIVE/2024/01");
    fs::create_directories("store/ARCHIVE/2024/02");
    WriteWholeFile("store/ARCHIVE/2024/01/20240131230000.orv",
                   Lines(EncodeDateTime(2024, 1, 31, 23, 0, 0), 3600));
    const std::string day = Lines(EncodeDateTime(2024, 2, 1, 0, 0, 0), 86400);
    WriteWholeFile("store/ARCHIVE/2024/02/20240201000000.orv",
                   day.substr(0, 63 * 50000) + "not a line\r\n");
    WriteWholeFile("store/ARCHIVE/2024/02/20240201120000_0.orv", day.substr(63 * 43200));
    WriteWholeFile("store/ARCHIVE/2024/02/notes.txt", "calibrated on 1 February\n");
    WriteWholeFile("store/ARCHIVE/2024/02/Feb0124.TST", "an old derived file\n");

    std::string log;
    ASSERT_EQ(Convert({"--settings", settings, "--from", "2024-02-01", "--to", "2024-02-29",
                       "--iaga-seconds", "--iaga-minutes", "store"}, log), 0) << log;
    const auto files = DerivedFiles(".");
    ASSERT_EQ(files.size(), 2u) << log;
    EXPECT_EQ(DataLines(files.at("IAGA2002/2024/02/tst20240201vsec.sec")), 86400);
    EXPECT_EQ(DataLines(files.at("IAGA2002/2024/02/tst20240201vmin.min")), 1440);
    EXPECT_THAT(log, HasSubstr("refused: "));
    EXPECT_THAT(log, HasSubstr("20240201000000.orv:50001: not a line"));
    EXPECT_THAT(log, HasSubstr("lines read: 93201, lines refused: 1, files written: 2"));

    // An output folder that cannot be made, a path that does not exist, and a usage error.
    WriteWholeFile("blocked", "a file where the output folder should be");
    EXPECT_EQ(Convert({"--settings", settings, "--out", "blocked/out", "store"}, log), 1);
    EXPECT_THAT(log, HasSubstr("blocked/out"));
    EXPECT_EQ(Convert({"--settings", settings, "--out", "x", "store", "missing"}, log), 1);
    EXPECT_THAT(log, HasSubstr("missing: No such file or directory"));
    EXPECT_EQ(Convert({"--from", "2024-02-30", "store"}, log), 2);
    EXPECT_THAT(log, HasSubstr("--from needs a date YYYY-MM-DD"));
}
