// The archive converter as a program: its files are those of the run that recorded the archive,
// byte for byte, and it makes complete day files of archives holding several runs.

#include "recording/FilterFile.h"
#include "instrument/LineSource.h"
#include "instrument/StampTime.h"
#include "PseudoTerminal.h"
#include "JavaCdfListing.h"
#include "RecorderProcess.h"
#include "TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
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

// The ImagCDF day and partial-day files below `root` (not the spools), with their contents.
std::map<std::string, std::string> ImagCdfFiles(const fs::path& root) {
    std::map<std::string, std::string> files;
    for (const fs::path& file : FilesUnder(root / "ImagCDF"))
        if (file.extension() != ".spool") files[fs::relative(file, root).string()] = ReadWholeFile(file);
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
    // The day before is read for the filter's reach; the second run's lines of 12:00 to 13:53
    // repeat stamps the first run gave.
    EXPECT_THAT(log, HasSubstr("repeated: 6800 lines stamped like the line before them"));
    EXPECT_THAT(log, HasSubstr("lines read: 96801, lines refused: 1, files written: 2"));

    // An output folder that cannot be made, a path that does not exist, and a usage error.
    WriteWholeFile("blocked", "a file where the output folder should be");
    EXPECT_EQ(Convert({"--settings", settings, "--out", "blocked/out", "store"}, log), 1);
    EXPECT_THAT(log, HasSubstr("blocked/out"));
    EXPECT_EQ(Convert({"--settings", settings, "--out", "x", "store", "missing"}, log), 1);
    EXPECT_THAT(log, HasSubstr("missing: No such file or directory"));
    EXPECT_EQ(Convert({"--from", "2024-02-30", "store"}, log), 2);
    EXPECT_THAT(log, HasSubstr("--from needs a date YYYY-MM-DD"));
}

TEST(ArchiveConvert, ImagCdfDaysOfALiveRunEqualTheConvertedOnesAndReadBackInAnotherReader) {
    TTempDir directory(true);
    const std::string settings = WriteSettings(directory);
    std::ofstream(settings, std::ios::app) << "[ImagCDF]\r\nSecondFiles=1\r\nMinuteFiles=1\r\nInstitution=Test Institute\r\n";
    TPseudoTerminal terminal;
    auto recorder = StartRecorder(terminal.SlavePath(), settings);
    ASSERT_TRUE(recorder);
    const std::string lines = Lines(EncodeDateTime(2024, 2, 28, 23, 57, 0), 360);
    terminal.Write(lines);
    ASSERT_TRUE(WaitUntil([&] { return ConcatenatedFiles(FilesUnder("ARCHIVE")).size() == lines.size(); },
                          std::chrono::seconds(30)));
    ASSERT_EQ(recorder->Stop(), 0) << recorder->ErrorOutput();

    // The 28th is over: whole day files; the 29th is partial, kept in its spools for a later run.
    const std::map<std::string, std::string> live = ImagCdfFiles(".");
    const std::vector<std::string> names = {
        "ImagCDF/2024/02/tst_20240228_000000_1.cdf", "ImagCDF/2024/02/tst_20240228_0000_1.cdf",
        "ImagCDF/2024/02/tst_20240229_000000_1.cdf.partial", "ImagCDF/2024/02/tst_20240229_0000_1.cdf.partial"};
    std::vector<std::string> liveNames;
    for (const auto& [name, contents] : live) liveNames.push_back(name);
    EXPECT_EQ(liveNames, names);
    EXPECT_TRUE(fs::exists("ImagCDF/2024/02/tst_20240229_000000_1.cdf.spool"));

    std::string log;
    ASSERT_EQ(Convert({"--settings", settings, "--out", "converted", "--imagcdf-seconds", "--imagcdf-minutes",
                       "ARCHIVE"}, log), 0) << log;
    const std::map<std::string, std::string> converted = ImagCdfFiles("converted");
    for (const auto& [name, contents] : live)
        EXPECT_TRUE(converted.count(name) && converted.at(name) == contents) << name;
    EXPECT_EQ(converted.size(), live.size());

    // The Java reader sees the samples at their UTC seconds, the rest of the day as fill.
    const TListing listing = ListWithJavaReader("ImagCDF/2024/02/tst_20240228_000000_1.cdf");
    ASSERT_EQ(listing.Errors, "");
    const std::vector<std::string>& times = listing.Records.at("GeomagneticVectorTimes");
    const std::vector<std::string>& xs = listing.Records.at("GeomagneticFieldX");
    ASSERT_EQ(times.size(), 86400u);
    ASSERT_EQ(xs.size(), 86400u);
    const int first = 23 * 3600 + 57 * 60;
    EXPECT_EQ(times[first], "2024-02-28T23:57:00.000000000");
    EXPECT_EQ(xs[first - 1], "99999.0");
    EXPECT_DOUBLE_EQ(std::stod(xs[first]), std::stod(lines.substr(20, 9)));
    EXPECT_EQ(listing.Globals.at("Institution"), std::vector<std::string>{"Test Institute"});
    EXPECT_EQ(listing.Globals.at("ObservatoryName"), std::vector<std::string>{"Test"});
}

// Converted files are the same however the archive's seconds reach the converter: twice (a copy
// from another computer), from runs overlapping by half an hour, or through --from/--to, which
// reads the filter's half-width beyond the bounds.
TEST(ArchiveConvert, CopiesOverlapsAndOneDayRebuildsGiveTheFilesOfOneContinuousArchive) {
    TTempDir directory(true);
    const std::string settings = WriteSettings(directory);
    // 31 January 22:00 to 1 February 02:00 as one run.
    const TDateTime start = EncodeDateTime(2024, 1, 31, 22, 0, 0);
    const std::string all = Lines(start, 4 * 3600);
    fs::create_directories("one");
    WriteWholeFile("one/20240131220000.orv", all.substr(0, 63 * 7200));
    WriteWholeFile("one/20240201000000.orv", all.substr(63 * 7200));
    // The same as two runs, the second started at 23:30 while the first ran to midnight.
    fs::create_directories("overlap");
    WriteWholeFile("overlap/20240131220000.orv", all.substr(0, 63 * 7200));
    WriteWholeFile("overlap/20240131233000.orv", all.substr(63 * 5400));
    fs::create_directories("copy");
    fs::copy("one", "copy", fs::copy_options::recursive);

    std::string log;
    ASSERT_EQ(Convert({"--settings", settings, "--out", "whole", "one"}, log), 0) << log;
    const auto whole = DerivedFiles("whole");
    ASSERT_EQ(whole.size(), 6u) << log;
    const auto expectSame = [&](const std::string& folder, std::size_t count) {
        const auto files = DerivedFiles(folder);
        EXPECT_EQ(files.size(), count) << folder;
        for (const auto& [name, contents] : files)
            EXPECT_TRUE(whole.count(name) && whole.at(name) == contents) << folder << "/" << name;
    };
    ASSERT_EQ(Convert({"--settings", settings, "--out", "twice", "one", "copy"}, log), 0) << log;
    EXPECT_THAT(log, HasSubstr("repeated: 14400 lines stamped like the line before them"));
    expectSame("twice", 6);
    ASSERT_EQ(Convert({"--settings", settings, "--out", "overlapped", "overlap"}, log), 0) << log;
    EXPECT_THAT(log, HasSubstr("repeated: 1800 lines"));
    expectSame("overlapped", 6);

    // One day at a time, each from the whole archive: the days of the whole conversion,
    // 1 February's 00:00 minute (which needs 31 January's last 45 s) included.
    ASSERT_EQ(Convert({"--settings", settings, "--from", "2024-02-01", "--to", "2024-02-01",
                       "--out", "february", "one"}, log), 0) << log;
    expectSame("february", 3);
    const std::string minutes = ReadWholeFile("february/IAGA2002/2024/02/tst20240201vmin.min");
    const std::size_t midnight = minutes.find("2024-02-01 00:00:00.000");
    ASSERT_NE(midnight, std::string::npos);
    EXPECT_EQ(minutes.substr(midnight + 30, 10).find("99999"), std::string::npos);
    ASSERT_EQ(Convert({"--settings", settings, "--from", "2024-01-31", "--to", "2024-01-31",
                       "--out", "january", "one"}, log), 0) << log;
    expectSame("january", 3);
}

TEST(ArchiveConvert, FailsWhenItWritesNothingItWasAskedFor) {
    TTempDir directory(true);
    const std::string settings = WriteSettings(directory);
    fs::create_directories("store");
    WriteWholeFile("store/20240201000000.orv", Lines(EncodeDateTime(2024, 2, 1, 0, 0, 0), 600));

    std::string log;
    EXPECT_EQ(Convert({"--settings", settings, "--from", "2024-03-01", "--out", "none", "store"},
                      log), 1);
    EXPECT_THAT(log, HasSubstr("error: no archive line found from 2024-03-01"));
    EXPECT_EQ(Convert({"--settings", settings, "--out", "empty", "none"}, log), 1);
    EXPECT_THAT(log, HasSubstr("error: no archive line found"));

    // INTERMAGNET components the sensor does not measure: refused, the rest still written.
    std::string text = ReadWholeFile(settings);
    text.replace(text.find("COMP=XYZF"), 9, "COMP=HDZF");
    WriteWholeFile("hdzf.ini", text);
    EXPECT_EQ(Convert({"--settings", "hdzf.ini", "--intermagnet", "--iaga-seconds", "--out",
                       "refused", "store"}, log), 1);
    EXPECT_THAT(log, HasSubstr("error: INTERMAGNET header: COMP HDZF does not match the sensor's "
                               "components XYZ"));
    const auto files = DerivedFiles("refused");
    ASSERT_EQ(files.size(), 1u) << log;
    EXPECT_TRUE(files.count("IAGA2002/2024/02/tst20240201vsec.sec"));
}
