// The headless recorder as a program: started on a pseudo-terminal or the simulator, stopped by
// a signal, judged by the files it leaves.

#include "instrument/LineSource.h"
#include "instrument/StampTime.h"
#include "acquisition/DateTime.h"
#include "PseudoTerminal.h"
#include "RecorderProcess.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <thread>

namespace {

namespace fs = std::filesystem;

// A settings file for a one-minute INTERMAGNET run with a pass-through filter, and both
// IAGA-2002 products.
std::string WriteSettings(const TTempDir& directory) {
    const std::string name = directory.File("station.ini");
    WriteWholeFile(name,
                   "[Intermagnet]\r\nIDC=TST\r\nCOMP=XYZF\r\nGIN=EDI\r\nCOLA=0402\r\nLONG=0245\r\nDECBAS=0\r\n"
                   "[Filter]\r\nC0=1\r\n[IAGA2002]\r\nSecondFiles=1\r\nMinuteFiles=1\r\n"
                   "Latitude=45\r\nLongitude=10\r\nElevation=0\r\n");
    return name;
}

class HeadlessRecorder : public ::testing::Test {
protected:
    TTempDir Directory{true};
    std::string Settings = WriteSettings(Directory);
};

}  // namespace

TEST_F(HeadlessRecorder, RecordsEveryGoodLineAcrossMidnightAndStopsCleanlyOnSigterm) {
    TPseudoTerminal terminal;
    auto recorder = StartRecorder(terminal.SlavePath(), Settings);
    ASSERT_TRUE(recorder);

    const TLineSource source(StampOf(EncodeDateTime(2024, 2, 28, 23, 55, 0)), TLineRate(1, 1),
                             TLineEnd::CrLf, 11);
    std::string expected;
    int unparseable = 0, wrongLength = 0;
    for (std::uint64_t line = 0; line < 900; ++line) {
        terminal.Write(source.Bytes(line));
        if (source.Kind(line) == TLineKind::Good) expected += source.Text(line) + "\r\n";
        if (source.Kind(line) == TLineKind::Unparseable) ++unparseable;
        if (source.Kind(line) == TLineKind::WrongLength) ++wrongLength;
    }
    // Bytes written to a pseudo-terminal reach the reader through the kernel's buffers at their
    // own pace, so the test waits for the archive itself before it stops the recorder.
    ASSERT_TRUE(WaitUntil([&expected] { return ConcatenatedFiles(FilesUnder("ARCHIVE")).size() == expected.size(); },
                          std::chrono::seconds(30)));
    EXPECT_EQ(recorder->Stop(), 0) << recorder->ErrorOutput();

    const auto archives = FilesUnder("ARCHIVE");
    ASSERT_EQ(archives.size(), 2u);
    EXPECT_EQ(archives[0], fs::path("ARCHIVE/2024/02/20240228235500.orv"));
    EXPECT_EQ(archives[1], fs::path("ARCHIVE/2024/02/20240229000000.orv"));
    EXPECT_TRUE(ConcatenatedFiles(archives) == expected) << ConcatenatedFiles(archives).size() << " bytes recorded of " << expected.size() << "\n" << recorder->ErrorOutput();

    const auto intermagnet = FilesUnder("INTERMAGNET");
    ASSERT_EQ(intermagnet.size(), 2u);
    EXPECT_EQ(intermagnet[1], fs::path("INTERMAGNET/2024/02/Feb2924.TST"));

    const std::string log = recorder->ErrorOutput();
    EXPECT_NE(log.find("archive file: ARCHIVE/2024/02/20240229000000.orv"), std::string::npos);
    EXPECT_NE(log.find("INTERMAGNET file: INTERMAGNET/2024/02/Feb2924.TST"), std::string::npos);
    EXPECT_NE(log.find("IAGA-2002 file: IAGA2002/2024/02/tst20240229vsec.sec"), std::string::npos);
    EXPECT_NE(log.find("IAGA-2002 file: IAGA2002/2024/02/tst20240229vmin.min"), std::string::npos);
    EXPECT_EQ(FilesUnder("IAGA2002").size(), 4u);
    // Lines of the wrong length are logged with their length, as unparseable ones are; a burst
    // of bad lines is logged ten at a time, the rest counted.
    EXPECT_NE(log.find("bad line: Dropped a line of 60 characters (61 expected)"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("bad line: Could not create LogicalPacket from received string:<"),
              std::string::npos);
    EXPECT_NE(log.find("bad line: " + std::to_string(unparseable + wrongLength - 10) +
                       " more bad lines not logged"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("stopped: " + std::to_string(900 - unparseable - wrongLength) +
                       " samples recorded, " + std::to_string(unparseable) +
                       " unparseable lines, " + std::to_string(wrongLength) + " lines dropped"),
              std::string::npos)
        << log;
}

TEST_F(HeadlessRecorder, AMissingSettingsFileIsNamedAndAMissingPortEndsTheRunWithCodeOne) {
    const std::string device = Directory.File("no-such-device");
    const std::string misspelt = Directory.File("statoin.ini");
    TSimProcess recorder(StationProgram, {"--headless", "--port", device, "--settings", misspelt});
    EXPECT_EQ(recorder.Wait(), 1);
    const std::string log = recorder.ErrorOutput();
    EXPECT_NE(log.find("warning: the settings file " + misspelt +
                       " does not exist; every setting keeps its default"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("error: Could not open COM port: COM1"), std::string::npos) << log;
    EXPECT_NE(log.find("error: " + device + ": No such file or directory"), std::string::npos)
        << log;
    EXPECT_TRUE(FilesUnder("ARCHIVE").empty());
}

TEST_F(HeadlessRecorder, SettingsThatCannotBeUsedStopTheStartNamingFileKeyAndLine) {
    // Root reads a file without permissions, so a folder and binary content stand for them.
    const std::string folder = Directory.File("folder.ini");
    fs::create_directory(folder);
    const std::string binary = Directory.File("binary.ini");
    WriteWholeFile(binary, std::string("[Intermagnet]\0\x01\x02", 16));
    const std::string badValues = Directory.File("bad.ini");
    WriteWholeFile(badValues, ReadWholeFile(Settings) + "[COMPortSettings]\r\nBaudRate=-1\r\n"
                                                       "[Filter]\r\nC1=0,5\r\n");
    const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
        {folder, {"error: Cannot read settings file " + folder + ": Is a directory"}},
        {binary, {"error: Cannot read settings file " + binary + ": not a profile file"}},
        {badValues,
         {"error: line 17, [COMPortSettings] BaudRate: Range check error: "
          "COMPortSettings/BaudRate=-1 is outside 0..4294967295\n",
          "error: line 19, [Filter] C1: '0,5' is not a valid floating point value\n",
          "error: Error in ini-file:" + badValues +
              ": the recorder does not start until the values above are mended"}}};
    for (const auto& [file, expected] : cases) {
        TPseudoTerminal terminal;
        TSimProcess recorder(StationProgram,
                             {"--headless", "--port", terminal.SlavePath(), "--settings", file});
        EXPECT_EQ(recorder.Wait(), 1);
        const std::string log = recorder.ErrorOutput();
        for (const std::string& line : expected)
            EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
        EXPECT_EQ(log.find("recording"), std::string::npos) << log;
    }
    EXPECT_FALSE(fs::exists("ARCHIVE"));
}

TEST_F(HeadlessRecorder, KeepsUpWithTheSimulatorAtFullSpeedWithoutLosingALine) {
    // The simulator blocks while the terminal is full, so only what it wrote before the reader
    // opened (and purged) the port can be missing: after that the stamps run without a gap.
    const std::string link = Directory.File("instrument");
    TSimProcess simulator(ORVANT_SIMULATOR_PROGRAM,
                          {"--link", link, "--fast", "--count", "5000", "--start",
                           "2024-12-31 23:00:00"});
    ASSERT_FALSE(simulator.DevicePath().empty());
    auto recorder = StartRecorder(link, Settings);
    ASSERT_TRUE(recorder);
    ASSERT_EQ(simulator.Wait(std::chrono::seconds(60)), 0);
    const std::string lastLine = "2025 01 01 00 23 19";  // the 5000th stamp
    ASSERT_TRUE(WaitUntil([&] { return ConcatenatedFiles(FilesUnder("ARCHIVE")).find(lastLine) != std::string::npos; },
                          std::chrono::seconds(20)))
        << recorder->ErrorOutput();
    EXPECT_EQ(recorder->Stop(), 0);

    const std::string archive = ConcatenatedFiles(FilesUnder("ARCHIVE"));
    std::vector<std::string> stamps;
    for (std::size_t at = 0; at < archive.size(); at = archive.find('\n', at) + 1)
        stamps.push_back(archive.substr(at, 19));
    ASSERT_GT(stamps.size(), 4000u);
    EXPECT_EQ(stamps.back(), lastLine);
    // Consecutive seconds from the first recorded line on.
    const TLineSource source(StampOf(EncodeDateTime(2024, 12, 31, 23, 0, 0)), TLineRate(1, 1),
                             TLineEnd::CrLf, 0);
    const std::uint64_t first = 5000 - stamps.size();
    for (std::size_t i = 0; i < stamps.size(); ++i)
        ASSERT_EQ(stamps[i], source.Text(first + i).substr(0, 19)) << "line " << i;
    EXPECT_EQ(FilesUnder("ARCHIVE").size(), 2u);  // the new year starts a new file
}

TEST_F(HeadlessRecorder, RecordsInItsDataFolderAndWarnsOncePerEpisodeOfSilenceAndClockDrift) {
    WriteWholeFile(Settings, ReadWholeFile(Settings) + "[Options]\r\nNoDataWarningSeconds=1\r\n"
                                                       "DataFolder=from-settings\r\n");
    TPseudoTerminal terminal;
    auto recorder = std::make_unique<TSimProcess>(
        StationProgram, std::vector<std::string>{"--headless", "--port", terminal.SlavePath(),
                                                 "--settings", Settings, "--data", "station-data"});
    const auto logged = [&recorder](const std::string& text) {
        return WaitUntil([&] { return recorder->ErrorOutput().find(text) != std::string::npos; },
                         std::chrono::seconds(20));
    };
    ASSERT_TRUE(logged(" s (more than 1 s)"))
        << recorder->ErrorOutput();
    // A line stamped in 2024: lines are back, and the instrument's clock is far off.
    const TLineSource source(StampOf(EncodeDateTime(2024, 2, 28, 23, 55, 0)), TLineRate(1, 1),
                             TLineEnd::CrLf, 0);
    terminal.Write(source.Bytes(0));
    ASSERT_TRUE(logged("the instrument's clock is ")) << recorder->ErrorOutput();
    terminal.Write(source.Bytes(1));
    const auto archive = [] { return ConcatenatedFiles(FilesUnder("station-data/ARCHIVE")); };
    ASSERT_TRUE(WaitUntil([&] { return CountOf(archive(), "\n") == 2; }, std::chrono::seconds(20)));
    EXPECT_EQ(recorder->Stop(), 0);
    const std::string log = recorder->ErrorOutput();
    EXPECT_EQ(CountOf(log, "warning: no line from the instrument"), 1) << log;
    EXPECT_EQ(CountOf(log, "lines arrive again after "), 1) << log;
    EXPECT_EQ(CountOf(log, " behind the computer's UTC clock (more than 5 s)"), 1) << log;
    // The command line's folder goes before the settings' one.
    EXPECT_NE(log.find("; data folder " + (fs::current_path() / "station-data").string()),
              std::string::npos)
        << log;
    EXPECT_FALSE(fs::exists("from-settings"));
    EXPECT_FALSE(fs::exists("ARCHIVE"));
}
