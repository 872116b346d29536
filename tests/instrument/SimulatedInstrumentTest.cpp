// The simulator as a library, writing to real pseudo-terminals and files.
#include "instrument/SimulatedInstrument.h"

#include "DeviceReader.h"
#include "TempDir.h"
#include "acquisition/BasicException.h"
#include "acquisition/LogicalPacket.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <pty.h>
#include <stdexcept>
#include <unistd.h>
#include <thread>

using namespace std::chrono_literals;

namespace {

// A pseudo-terminal as the system makes it, standing in for a serial port.
struct TTerminalPair {
    int Master = -1;
    int Device = -1;
    std::string DevicePath;

    TTerminalPair() {
        char name[128];
        if (openpty(&Master, &Device, name, nullptr, nullptr) != 0) throw std::runtime_error("openpty");
        DevicePath = name;
    }
    ~TTerminalPair() {
        close(Master);
        close(Device);
    }
};

TSimulatorOptions FastOptions(std::uint64_t count) {
    TSimulatorOptions options;
    options.Fast = true;
    options.Count = count;
    options.Start = EncodeDateTime(2024, 3, 31, 23, 0, 0);
    return options;
}

// The stamps of the lines, checked to be consecutive seconds from the first.
void ExpectConsecutiveSeconds(const std::vector<std::string>& lines, TDateTime first) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        ASSERT_EQ(lines[i].size(), 61u) << "line " << i;
        const TLogicalPacket packet(lines[i], TBadLineReport::Silent);
        ASSERT_EQ(StampOf(packet.TimeStamp()), StampOf(first) + static_cast<TStampMs>(i) * 1000)
            << "line " << i << ": " << lines[i];
    }
}

}  // namespace

TEST(SimulatedInstrument, SendsEveryLineThroughAPseudoTerminalAndFinishes) {
    TSimulatedInstrument instrument(FastOptions(3000));
    instrument.Start();
    ASSERT_EQ(instrument.DevicePath().rfind("/dev/pts/", 0), 0u) << instrument.DevicePath();
    TDeviceReader reader(instrument.DevicePath());
    ASSERT_TRUE(reader.WaitForLines(3000, 20s));
    ASSERT_TRUE(instrument.WaitFinished(10s));
    EXPECT_EQ(instrument.ErrorText(), "");
    EXPECT_EQ(instrument.LinesSent(), 3000u);
    // Raw mode: every byte as sent, the line ends not translated.
    EXPECT_EQ(reader.Received().size(), 3000u * 63);
    ExpectConsecutiveSeconds(SplitLines(reader.Received()), *instrument.Options().Start);
    instrument.Stop();
    EXPECT_TRUE(reader.WaitForHangUp(5s));
}

TEST(SimulatedInstrument, HoldsLinesBackUntilAReaderComesAndStopsWhileBlocked) {
    TSimulatedInstrument instrument(FastOptions(0));
    instrument.Start();
    // Nobody reads: the writer fills the terminal's queue and then waits.
    std::uint64_t before = 0;
    do {
        before = instrument.LinesSent();
        std::this_thread::sleep_for(100ms);
    } while (instrument.LinesSent() != before);
    EXPECT_LT(before, 100000u);
    TDeviceReader reader(instrument.DevicePath());
    ASSERT_TRUE(reader.WaitForLines(before + 500, 20s));
    // Not one line lost while it waited.
    const auto lines = SplitLines(reader.Received());
    ExpectConsecutiveSeconds(lines, *instrument.Options().Start);
    instrument.Stop();
    EXPECT_FALSE(instrument.Finished());
}

TEST(SimulatedInstrument, PacesLinesAtTheRateWithSubSecondStamps) {
    TSimulatorOptions options;
    options.Rate = TLineRate(8, 1);
    options.Count = 10;
    options.LineEnd = TLineEnd::Cr;
    options.Start = EncodeDateTime(2024, 12, 31, 23, 59, 59);
    TSimulatedInstrument instrument(options);
    instrument.Start();
    TDeviceReader reader(instrument.DevicePath());
    ASSERT_TRUE(reader.WaitForLines(10, 20s, "\r"));
    const auto lines = SplitLines(reader.Received(), "\r");
    for (std::size_t i = 0; i < lines.size(); ++i)
        EXPECT_EQ(lines[i].substr(0, 19), i < 8 ? "2024 12 31 23 59 59" : "2025 01 01 00 00 00");
    EXPECT_NE(lines[0].substr(19), lines[1].substr(19)) << "values follow the exact instant";
    EXPECT_TRUE(instrument.WaitFinished(10s));
}

TEST(SimulatedInstrument, WritesToAGivenTerminalInRawModeAndReportsItsHangUp) {
    // A fresh terminal in its default mode, which would turn "\n" into "\r\n".
    auto port = std::make_unique<TTerminalPair>();
    TSimulatorOptions options = FastOptions(0);
    options.DevicePath = port->DevicePath;
    options.LineEnd = TLineEnd::LfCr;
    TSimulatedInstrument instrument(options);
    instrument.Start();
    EXPECT_EQ(instrument.DevicePath(), port->DevicePath);
    {
        TDeviceReader reader(port->Master);
        ASSERT_TRUE(reader.WaitForLines(20, 10s, "\n\r"));
        // No output processing on the device: "\n" did not become "\r\n".
        EXPECT_EQ(reader.Received().find("\r\n"), std::string::npos);
        ExpectConsecutiveSeconds(SplitLines(reader.Received(), "\n\r"), *options.Start);
    }
    port.reset();
    ASSERT_TRUE(instrument.WaitFinished(10s));
    EXPECT_NE(instrument.ErrorText().find("Could not write to"), std::string::npos)
        << instrument.ErrorText();
}

TEST(SimulatedInstrument, WritesToAFileAndRefusesADeviceThatIsNotThere) {
    TTempDir dir;
    const std::string file = dir.File("lines.txt");
    WriteWholeFile(file, "");
    TSimulatorOptions options = FastOptions(5);
    options.DevicePath = file;
    TSimulatedInstrument instrument(options);
    instrument.Start();
    ASSERT_TRUE(instrument.WaitFinished(10s));
    instrument.Stop();
    ExpectConsecutiveSeconds(SplitLines(ReadWholeFile(file)), *options.Start);
    EXPECT_EQ(SplitLines(ReadWholeFile(file)).size(), 5u);

    options.DevicePath = dir.File("missing");
    TSimulatedInstrument missing(options);
    try {
        missing.Start();
        FAIL() << "started on a missing device";
    } catch (const EBasicException& error) {
        EXPECT_NE(std::string(error.what()).find(dir.File("missing")), std::string::npos);
        EXPECT_EQ(error.ErrorCode(), ENOENT);
    }
    EXPECT_THROW(instrument.Start(), EBasicException) << "one run per object";
}

TEST(SimulatedInstrument, LinksItsTerminalReplacingAStaleLinkButNeverAFile) {
    TTempDir dir;
    const std::string link = dir.File("orvant");
    std::filesystem::create_symlink("/dev/pts/nonexistent", link);
    TSimulatorOptions options = FastOptions(0);
    options.LinkPath = link;
    {
        TSimulatedInstrument instrument(options);
        instrument.Start();
        EXPECT_EQ(std::filesystem::read_symlink(link), instrument.DevicePath());
        TDeviceReader reader(link);
        EXPECT_TRUE(reader.WaitForLines(3, 10s));
        instrument.Stop();
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
    }
    WriteWholeFile(link, "keep");
    TSimulatedInstrument blocked(options);
    EXPECT_THROW(blocked.Start(), EBasicException);
    EXPECT_EQ(ReadWholeFile(link), "keep");
}
