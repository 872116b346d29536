// The built orvant3k-sim program: its output, its link, its exit codes and its signals.
#include "DeviceReader.h"
#include "SimProcess.h"
#include "TempDir.h"
#include "acquisition/LogicalPacket.h"
#include "acquisition/RuntimeErrors.h"

#include <gtest/gtest.h>

#include <csignal>
#include <thread>
#include <filesystem>

using namespace std::chrono_literals;

namespace {

bool LinkExists(const std::string& path) {
    return std::filesystem::exists(std::filesystem::symlink_status(path));
}

// Runs the simulator to its end and returns every byte a reader got from its terminal. The
// reader comes late, after the simulator has written all its lines: it must still get them.
std::string RunToEnd(const std::vector<std::string>& arguments) {
    TSimProcess sim(ORVANT_SIMULATOR_PROGRAM, arguments);
    const std::string device = sim.DevicePath();
    EXPECT_FALSE(device.empty()) << sim.ErrorOutput();
    if (device.empty()) return {};
    std::this_thread::sleep_for(300ms);
    TDeviceReader reader(device);
    EXPECT_TRUE(reader.WaitForHangUp(20s));
    EXPECT_EQ(sim.Wait(), 0) << sim.ErrorOutput();
    return reader.Received();
}

}  // namespace

TEST(SimulatorProgram, PrintsItsTerminalLinksItAndExitsOnceEveryLineIsRead) {
    TTempDir dir;
    const std::string link = dir.File("instrument");
    TSimProcess sim(ORVANT_SIMULATOR_PROGRAM, {"--fast", "--count", "2000", "--link", link});
    const std::string device = sim.DevicePath();
    ASSERT_EQ(device.rfind("/dev/pts/", 0), 0u) << device << sim.ErrorOutput();
    EXPECT_EQ(std::filesystem::read_symlink(link), device);
    // Read through the link, after the queue filled and the simulator waited.
    std::this_thread::sleep_for(200ms);
    TDeviceReader reader(link);
    ASSERT_TRUE(reader.WaitForHangUp(20s));
    EXPECT_EQ(sim.Wait(), 0) << sim.ErrorOutput();
    EXPECT_FALSE(LinkExists(link));
    EXPECT_EQ(sim.Output(), device + "\n");
    const auto lines = SplitLines(reader.Received());
    ASSERT_EQ(lines.size(), 2000u);
    EXPECT_EQ(reader.Received().size(), 2000u * 63);
    for (const std::string& line : lines) EXPECT_NO_THROW(TLogicalPacket(line, TBadLineReport::Silent));
}

TEST(SimulatorProgram, StampsCrossMidnightMonthEndsAndLeapDays) {
    const std::vector<std::pair<std::string, std::vector<std::string>>> runs = {
        {"2024-02-28 23:59:58",
         {"2024 02 28 23 59 58", "2024 02 28 23 59 59", "2024 02 29 00 00 00",
          "2024 02 29 00 00 01", "2024 02 29 00 00 02"}},
        {"2023-02-28 23:59:59", {"2023 02 28 23 59 59", "2023 03 01 00 00 00"}},
        {"2024-12-31 23:59:59", {"2024 12 31 23 59 59", "2025 01 01 00 00 00"}},
    };
    for (const auto& [start, stamps] : runs) {
        const auto lines = SplitLines(RunToEnd({"--fast", "--count", std::to_string(stamps.size()),
                                                "--start", start}));
        ASSERT_EQ(lines.size(), stamps.size()) << start;
        for (std::size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(lines[i].substr(0, 19), stamps[i]);
    }
}

TEST(SimulatorProgram, EndsLinesAsAskedAndMakesEveryNthLineBad) {
    const std::string cr = RunToEnd({"--rate", "200", "--count", "8", "--line-end", "cr",
                                     "--bad-every", "2"});
    EXPECT_EQ(cr.find('\n'), std::string::npos);
    const auto lines = SplitLines(cr, "\r");
    ASSERT_EQ(lines.size(), 8u);
    for (std::size_t i = 0; i < lines.size(); i += 2) {
        EXPECT_NO_THROW(TLogicalPacket(lines[i], TBadLineReport::Silent)) << lines[i];
        const std::string& bad = lines[i + 1];
        if (i % 4 == 0) {
            EXPECT_EQ(bad.size(), 60u) << bad;
        } else {
            EXPECT_EQ(bad.size(), 61u) << bad;
            EXPECT_THROW(TLogicalPacket(bad, TBadLineReport::Silent), EConvertError) << bad;
        }
    }
    const std::string lfcr = RunToEnd({"--fast", "--count", "3", "--line-end", "lfcr"});
    EXPECT_EQ(SplitLines(lfcr, "\n\r").size(), 3u);
    EXPECT_EQ(lfcr.size(), 3u * 63);
    EXPECT_EQ(lfcr.substr(lfcr.size() - 2), "\n\r");
}

TEST(SimulatorProgram, EndsCleanlyOnSigtermAndSigint) {
    for (int signal : {SIGTERM, SIGINT}) {
        TTempDir dir;
        const std::string link = dir.File("instrument");
        TSimProcess sim(ORVANT_SIMULATOR_PROGRAM, {"--rate", "20", "--link", link});
        ASSERT_FALSE(sim.DevicePath().empty()) << sim.ErrorOutput();
        TDeviceReader reader(link);
        ASSERT_TRUE(reader.WaitForLines(2, 10s));
        sim.Signal(signal);
        EXPECT_EQ(sim.Wait(), 0) << sim.ErrorOutput();
        EXPECT_FALSE(LinkExists(link));
        EXPECT_EQ(sim.ErrorOutput(), "");
    }
}

TEST(SimulatorProgram, RefusesBadArgumentsWithUsageAndReportsFailures) {
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"--rate", "fast"}, {"--fast", "--rate", "2"}, {"--count", "0"},
          {"--start", "2024-02-30 00:00:00"}, {"--bogus"}, {"--link"}}) {
        TSimProcess sim(ORVANT_SIMULATOR_PROGRAM, arguments);
        EXPECT_EQ(sim.Wait(), 2) << arguments[0];
        EXPECT_NE(sim.ErrorOutput().find("Usage: orvant3k-sim"), std::string::npos);
        EXPECT_EQ(sim.Output(), "");
    }
    TSimProcess start(ORVANT_SIMULATOR_PROGRAM, {"--start", "2024-02-30 00:00:00"});
    EXPECT_EQ(start.Wait(), 2);
    EXPECT_EQ(start.ErrorOutput().rfind("orvant3k-sim: '2024-02-30 00:00:00' is not a valid start", 0), 0u)
        << start.ErrorOutput();

    TSimProcess help(ORVANT_SIMULATOR_PROGRAM, {"--help"});
    EXPECT_EQ(help.Wait(), 0);
    EXPECT_EQ(help.Output().rfind("Usage: orvant3k-sim", 0), 0u);

    TTempDir dir;
    WriteWholeFile(dir.File("taken"), "a file");
    TSimProcess missing(ORVANT_SIMULATOR_PROGRAM, {"--device", dir.File("none"), "--fast"});
    EXPECT_EQ(missing.Wait(), 1);
    EXPECT_NE(missing.ErrorOutput().find("Could not open " + dir.File("none")), std::string::npos);
    TSimProcess taken(ORVANT_SIMULATOR_PROGRAM, {"--link", dir.File("taken")});
    EXPECT_EQ(taken.Wait(), 1);
    EXPECT_EQ(ReadWholeFile(dir.File("taken")), "a file");
}
