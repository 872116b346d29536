// The station's window program on the offscreen platform: the demo records at once, "START"
// records from a port, and SIGTERM ends it with exit code 0, every received line in the archive
// and the settings saved, even while a box is open.

#include "PseudoTerminal.h"
#include "SimProcess.h"
#include "TempDir.h"
#include "acquisition/DateTime.h"
#include "instrument/InstrumentLine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <thread>

namespace {

namespace fs = std::filesystem;

const std::string StationProgram = ORVANT_BIN_DIR "/src/orvant3k";

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find("\r\n", at);
        if (end == std::string::npos) break;
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

// Seconds of the day of an instrument line's stamp.
int SecondOfDay(const std::string& line) {
    return std::stoi(line.substr(11, 2)) * 3600 + std::stoi(line.substr(14, 2)) * 60 +
           std::stoi(line.substr(17, 2));
}

class WindowProgram : public ::testing::Test {
protected:
    void SetUp() override {
        // The window needs no display; the children inherit this.
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    }

    // Records in the test's folder unless `documents`: then in the home's documents folder, as a
    // start from the desktop menu does.
    std::unique_ptr<TSimProcess> Run(std::vector<std::string> arguments, bool documents = false) {
        arguments.push_back("--settings");
        arguments.push_back(Settings);
        if (!documents) {
            arguments.push_back("--data");
            arguments.push_back(Directory.Path().string());
        }
        return std::make_unique<TSimProcess>(StationProgram, arguments);
    }

    TTempDir Directory{true};
    std::string Settings = Directory.File("station.ini");
};

}  // namespace

TEST_F(WindowProgram, DemoRecordsAtOnceIntoTheDocumentsFolderAndEndsCleanlyOnSigterm) {
    const char* home = std::getenv("HOME");
    const std::string previousHome = home ? home : "";
    ::setenv("HOME", Directory.File("home").c_str(), 1);
    auto station = Run({"--demo"}, /*documents*/ true);
    if (previousHome.empty()) ::unsetenv("HOME");
    else ::setenv("HOME", previousHome.c_str(), 1);
    const fs::path archive = Directory.Path() / "home/Documents/ARCHIVE";
    ASSERT_TRUE(WaitUntil([&] { return Lines(ConcatenatedFiles(FilesUnder(archive))).size() >= 3; },
                          std::chrono::seconds(20)))
        << station->ErrorOutput();
    EXPECT_EQ(station->Stop(), 0) << station->ErrorOutput();
    EXPECT_FALSE(fs::exists("ARCHIVE"));

    const std::vector<std::string> lines = Lines(ConcatenatedFiles(FilesUnder(archive)));
    ASSERT_GE(lines.size(), 3u);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].size(), InstrumentLineLength) << lines[i];
        // One line a second, none missing (a midnight in between would wrap).
        if (i > 0 && SecondOfDay(lines[i]) != 0) {
            EXPECT_EQ(SecondOfDay(lines[i]), SecondOfDay(lines[i - 1]) + 1) << lines[i];
        }
    }
    const std::string log = station->ErrorOutput();
    EXPECT_NE(log.find("stop requested by signal 15"), std::string::npos) << log;
    EXPECT_NE(log.find("orvant3k: closed"), std::string::npos) << log;
    const std::string settings = ReadWholeFile(Settings);
    EXPECT_NE(settings.find("[TOstrelMainForm]"), std::string::npos);
    // The demo's pseudo-terminal was for that run only.
    EXPECT_EQ(settings.find("/dev/"), std::string::npos) << settings;
}

TEST_F(WindowProgram, StartArgumentRecordsFromThePortUntilSigterm) {
    TPseudoTerminal terminal;
    auto station = Run({"START", "--port", terminal.SlavePath()});
    // The reader purges the port when it opens it: lines go out once it reads.
    ASSERT_TRUE(WaitUntil(
        [&] { return station->ErrorOutput().find("COM1 open, reading") != std::string::npos; },
        std::chrono::seconds(20)))
        << station->ErrorOutput();
    std::string sent;
    const TDateTime start = EncodeDateTime(2024, 3, 1, 8, 0, 0);
    for (int i = 0; i < 30; ++i)
        sent += FormatInstrumentLine(start + i / SecondsPerDay, {21000.0 + i, -1200, 45000, 20, 19}) + "\r\n";
    terminal.Write(sent);
    ASSERT_TRUE(WaitUntil([&] { return ConcatenatedFiles(FilesUnder("ARCHIVE")).size() >= sent.size(); },
                          std::chrono::seconds(20)))
        << station->ErrorOutput() << "\narchive:\n" << ConcatenatedFiles(FilesUnder("ARCHIVE"));
    EXPECT_EQ(station->Stop(), 0) << station->ErrorOutput();
    EXPECT_EQ(ConcatenatedFiles(FilesUnder("ARCHIVE")), sent);
    EXPECT_EQ(FilesUnder("ARCHIVE").front(), fs::path("ARCHIVE/2024/03/20240301080000.orv"));
}

TEST_F(WindowProgram, SigtermWhileTheErrorBoxIsOpenStillEndsWithZero) {
    const std::string missing = Directory.File("no-such-device");
    auto station = Run({"start", "--port", missing});
    ASSERT_TRUE(WaitUntil(
        [&] {
            return station->ErrorOutput().find("error box: Could not open COM port: COM1") !=
                   std::string::npos;
        },
        std::chrono::seconds(20)))
        << station->ErrorOutput();
    EXPECT_EQ(station->Stop(), 0) << station->ErrorOutput();
    const std::string log = station->ErrorOutput();
    EXPECT_NE(log.find(missing + ": No such file or directory"), std::string::npos) << log;
    // The stop that follows the failed start was not asked: the program was closing.
    EXPECT_NE(log.find("question (closing, answered yes): Are you sure?"), std::string::npos) << log;
    EXPECT_NE(ReadWholeFile(Settings).find("[TOstrelMainForm]"), std::string::npos);
    EXPECT_TRUE(FilesUnder("ARCHIVE").empty());
}
