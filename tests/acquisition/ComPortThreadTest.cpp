#include "LinkHarness.h"

#include "TempDir.h"

#include <chrono>
#include <filesystem>
#include <sys/ioctl.h>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

long long MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

void Pause(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

}  // namespace

TEST(ComPortThread, AssemblesSplitLinesAndTakesEveryLineEnd) {
    TLinkHarness run;
    run.Start();
    const std::string first = SampleLine(1);
    // Split over two reads: the pause is longer than the 10 ms read interval.
    run.Send(first.substr(0, 25));
    Pause(60);
    run.Send(first.substr(25) + "\r\n");
    run.Send("\n" + SampleLine(2) + "\r");    // LF before: nothing
    run.Send(SampleLine(3) + "\n\r");         // LF CR
    run.Send(SampleLine(4) + "\r");           // CR alone
    // LF alone never ends a line: these two make one line of 122 characters.
    run.Send(SampleLine(5) + "\n" + SampleLine(6) + "\r\n");
    run.Send(SampleLine(7) + "\r\n");
    ASSERT_TRUE(run.WaitForLines(5));
    ASSERT_TRUE(run.WaitForReader(5, 1));
    EXPECT_EQ(run.Handler.Lines, (std::vector<std::string>{first, SampleLine(2), SampleLine(3),
                                                           SampleLine(4), SampleLine(7)}));
    EXPECT_EQ(run.Notifications.Beeps(), 1);
}

TEST(ComPortThread, JudgesLengthAfterDroppingControlBytesAndKeepsHighBytes) {
    TLinkHarness run;
    run.Start();
    const std::string good = SampleLine(1);
    run.Send(good.substr(0, 60) + "\r");               // 60: beep
    run.Send(good + "0\r");                            // 62: beep
    run.Send("\r");                                    // empty line: beep
    std::string withControls = good;
    withControls.insert(20, "\t");
    withControls.insert(5, std::string(1, '\0'));
    withControls.insert(30, "\x1b\x7f"); // ESC dropped; DEL (127) counts and makes it 62
    run.Send(withControls + "\r");                     // beep
    withControls.erase(withControls.find('\x7f'), 1);
    run.Send(withControls + "\r");                     // 61 once the controls are gone
    // A byte above 127 is a character: 60 + 1 makes a line of the right length, which then
    // fails to parse (a dropped byte would have left 60 and no report).
    run.Send(good.substr(0, 60) + "\xB0\r");
    ASSERT_TRUE(run.WaitForReader(1, 5));
    run.Send(std::string("2024 01 05 00 00 01 1 2 3 4 5 extra token\xB0\xFF") +
             std::string(61 - 43, ' ') + "\r");
    ASSERT_TRUE(run.WaitForLines(2));
    ASSERT_EQ(run.Handler.Lines.size(), 2u);
    EXPECT_EQ(run.Handler.Lines[0], good);
    EXPECT_EQ(run.Handler.Lines[1].size(), 61u);
    EXPECT_NE(run.Handler.Lines[1].find("\xB0\xFF"), std::string::npos);
    EXPECT_EQ(run.Notifications.Beeps(), 5);
    EXPECT_EQ(run.Reader->LinesDropped(), 5u);
    EXPECT_EQ(run.Reader->LinesUnparseable(), 1u);
    // Every dropped line is reported, with its length or the parser's reason, and without a box
    // that would hold up the reader.
    EXPECT_TRUE(run.Notifications.ErrorBoxes().empty());
    const auto reports = run.Notifications.ReportsOf(TReportKind::BadLine);
    ASSERT_EQ(reports.size(), 5u);
    EXPECT_EQ(std::vector<std::string>(reports.begin(), reports.begin() + 4),
              (std::vector<std::string>{"Dropped a line of 60 characters (61 expected)",
                                        "Dropped a line of 62 characters (61 expected)",
                                        "Dropped a line of 0 characters (61 expected)",
                                        "Dropped a line of 62 characters (61 expected)"}));
    EXPECT_NE(reports[4].find("\xB0"), std::string::npos);
}

TEST(ComPortThread, DropsAnOverlongRunWithOneBeepAndJudgesTheNextLineAlone) {
    TLinkHarness run;
    run.Start();
    run.Send(std::string(20000, 'x'));
    run.Send(SampleLine(1) + "\r");   // still the same run: goes with it
    run.Send(SampleLine(2) + "\r\n");
    ASSERT_TRUE(run.WaitForLines(1));
    run.Stop();
    EXPECT_EQ(run.Handler.Lines, std::vector<std::string>{SampleLine(2)});
    EXPECT_EQ(run.Notifications.Beeps(), 1);
    EXPECT_EQ(run.Notifications.ReportsOf(TReportKind::BadLine),
              std::vector<std::string>{
                  "Dropped more than 4096 characters without a carriage return"});
}

TEST(ComPortThread, StopOnAQuietLineEndsWithinAboutOneReadTimeOut) {
    for (const TCOMPortSettings& settings :
         {TCOMPortSettings{}, TCOMPortSettings{0, 6, 0, 4, 0, 0, 0, 0, 0, 0, 1024, 1024}}) {
        TLinkHarness run;
        run.Start(settings);
        ASSERT_EQ(run.Reader->State(), TComPortThread::TState::Reading);
        Pause(150);
        const Clock::time_point start = Clock::now();
        run.Reader->RequestStop();
        ASSERT_TRUE(WaitServingHandOffs(*run.Reader, 5000));
        // Even with no read time-outs at all (second pass) the read in progress is cut short.
        EXPECT_LT(MsSince(start), 1000) << settings.ReadTotalConstant;
        EXPECT_EQ(run.Reader->State(), TComPortThread::TState::Finished);
        EXPECT_TRUE(run.Notifications.ReportsOf(TReportKind::PortError).empty());
    }
}

TEST(ComPortThread, StopDuringAReadStillQueuesTheCompleteLinesItReceived) {
    // Long time-outs keep the reader inside its read after the bytes have arrived.
    TCOMPortSettings slowReads;
    slowReads.ReadInterval = 3000;
    slowReads.ReadTotalConstant = 10000;
    TLinkHarness run;
    run.Start(slowReads);
    run.Send(SampleLine(1) + "\r\n" + SampleLine(2) + "\r\n" + SampleLine(3).substr(0, 20));
    ASSERT_TRUE(ServeHandOffsUntil(
        [&run] {
            int pending = -1;
            return ioctl(run.Line.SlaveHandle(), FIONREAD, &pending) == 0 && pending == 0;
        },
        5000));
    run.Stop();
    EXPECT_EQ(run.Handler.Lines, (std::vector<std::string>{SampleLine(1), SampleLine(2)}));
}

namespace {

// A device that goes away and comes back under the same name, as a USB adapter does: a
// symbolic link, re-pointed from one pseudo-terminal to the next.
class TUnpluggableDevice {
public:
    TUnpluggableDevice() { PointAt(First->SlavePath()); }
    const std::string& Name() const { return FName; }
    TPseudoTerminal& Current() { return Second ? *Second : *First; }
    void Unplug() {
        First->CloseSlave();
        First->CloseMaster();
        std::filesystem::remove(FName);
    }
    void PlugInAgain() {
        Second = std::make_unique<TPseudoTerminal>();
        PointAt(Second->SlavePath());
    }

private:
    void PointAt(const std::string& target) {
        std::filesystem::create_symlink(target, FName + ".new");
        std::filesystem::rename(FName + ".new", FName);
    }

    TTempDir FDirectory;
    std::string FName = FDirectory.File("ttyUSB0");
    std::unique_ptr<TPseudoTerminal> First = std::make_unique<TPseudoTerminal>();
    std::unique_ptr<TPseudoTerminal> Second;
};

}  // namespace

TEST(ComPortThread, PortThatFailsWhileReadingIsReopenedUnderItsNameAndTheRunGoesOn) {
    TUnpluggableDevice device;
    TLinkHarness run;
    SetSerialDevice(TLinkHarness::ComNumber, device.Name());
    run.Start();
    ASSERT_EQ(run.Reader->State(), TComPortThread::TState::Reading);
    // Two lines, then a line cut off by the unplugging: the two are recorded, the cut one
    // must not be glued to the first line after the reopen.
    device.Current().Write(SampleLine(1) + "\r\n" + SampleLine(2) + "\r\n" + SampleLine(3).substr(0, 30));
    ASSERT_TRUE(run.WaitForLines(2));
    ASSERT_TRUE(ServeHandOffsUntil(
        [&device] {
            int pending = -1;
            return ioctl(device.Current().SlaveHandle(), FIONREAD, &pending) == 0 && pending == 0;
        },
        5000));
    device.Unplug();
    const std::string readFailure = "Error reading COM port\n" + device.Name() + ": Input/output error";
    const std::string openFailure =
        "Error opening COM5 port.\n" + device.Name() + ": No such file or directory";
    ASSERT_TRUE(ServeHandOffsUntil(
        [&] { return run.Notifications.ReportsOf(TReportKind::PortError).size() >= 2; }, 10000));
    EXPECT_EQ(run.Reader->State(), TComPortThread::TState::Waiting);
    // Several attempts fail for the same reason: reported once.
    Pause(2 * TComPortThread::ReopenIntervalMs + 500);
    ServeHandOffs();
    EXPECT_EQ(run.Notifications.ReportsOf(TReportKind::PortError),
              (std::vector<std::string>{readFailure, openFailure}));
    EXPECT_EQ(run.Reader->Failure(), openFailure);
    EXPECT_TRUE(run.Processing->isRunning());

    device.PlugInAgain();
    const std::string reading = "COM5 open, reading " + device.Name();
    ASSERT_TRUE(ServeHandOffsUntil(
        [&] { return run.Notifications.ReportsOf(TReportKind::PortOk).size() == 2; }, 10000));
    EXPECT_EQ(run.Notifications.ReportsOf(TReportKind::PortOk),
              (std::vector<std::string>{reading, reading}));
    EXPECT_EQ(run.Reader->Failure(), "");
    // Sent only now: the reopen purges what waited in the device before.
    device.Current().Write(SampleLine(4) + "\r\n");
    ASSERT_TRUE(run.WaitForLines(3));
    run.Stop();
    EXPECT_EQ(run.Handler.Lines,
              (std::vector<std::string>{SampleLine(1), SampleLine(2), SampleLine(4)}));
    EXPECT_EQ(run.Notifications.Beeps(), 0);
    EXPECT_EQ(run.Notifications.ReportsOf(TReportKind::PortError).size(), 2u);
}

TEST(ComPortThread, PortThatCannotBeOpenedAtTheStartIsTriedAgainUntilItAppearsOrTheRunStops) {
    TTempDir directory;
    const std::string name = directory.File("ttyUSB1");
    TLinkHarness run;
    SetSerialDevice(TLinkHarness::ComNumber, name);
    run.Start();
    EXPECT_EQ(run.Reader->State(), TComPortThread::TState::Waiting);
    Pause(TComPortThread::ReopenIntervalMs + 500);
    ServeHandOffs();
    EXPECT_EQ(run.Notifications.ReportsOf(TReportKind::PortError),
              std::vector<std::string>{"Error opening COM5 port.\n" + name +
                                       ": No such file or directory"});
    std::filesystem::create_symlink(run.Line.SlavePath(), name);
    ASSERT_TRUE(ServeHandOffsUntil(
        [&] { return run.Reader->State() == TComPortThread::TState::Reading; }, 10000));
    run.Send(SampleLine(1) + "\r\n");
    ASSERT_TRUE(run.WaitForLines(1));
    run.Stop();

    // A setting the port cannot take fails every attempt alike; a stop ends the wait at once.
    TLinkHarness oversized;
    TCOMPortSettings settings;
    settings.InputBufferSize = 0x80000000u;
    oversized.Start(settings);
    EXPECT_EQ(oversized.Reader->State(), TComPortThread::TState::Waiting);
    const Clock::time_point start = Clock::now();
    oversized.Reader->RequestStop();
    ASSERT_TRUE(WaitServingHandOffs(*oversized.Reader, 5000));
    EXPECT_LT(MsSince(start), TComPortThread::ReopenIntervalMs / 2);
    EXPECT_EQ(oversized.Notifications.ReportsOf(TReportKind::PortError),
              std::vector<std::string>{"Range check error\n" + oversized.Line.SlavePath()});
}

TEST(ComPortThread, ABurstFasterThanTheRecordingIsHeldInTheDeviceAndArrivesWholeAndInOrder) {
    TLinkHarness run;
    run.Start();
    constexpr std::size_t Limit = TComPortThread::MaxQueuedPackets;
    // The first packet's handling lasts until the reader has filled the queue and had time to
    // overfill it.
    std::uint64_t queuedWhileStalled = 0;
    run.Handler.Hook = [&](const TLogicalPacket&) {
        if (!run.Handler.Lines.empty()) return;
        while (run.Reader->LinesQueued() < Limit) Pause(5);
        Pause(300);
        queuedWhileStalled = run.Reader->LinesQueued();
    };
    const int count = static_cast<int>(Limit) + 10000;
    std::vector<std::string> expected;
    std::string bytes;
    for (int i = 0; i < count; ++i) {
        expected.push_back(SampleLine(i));
        bytes += expected.back() + "\r\n";
    }
    std::thread instrument([&] { run.Send(bytes); });
    EXPECT_TRUE(run.WaitForLines(expected.size(), 60000));
    instrument.join();
    run.Stop();
    // One read past the limit at most (631 bytes: ten lines).
    EXPECT_LE(queuedWhileStalled, Limit + 10);
    EXPECT_TRUE(run.Handler.Lines == expected);
    EXPECT_EQ(run.Notifications.Beeps(), 0);
    EXPECT_EQ(run.Notifications.ReportsOf(TReportKind::Info),
              std::vector<std::string>{"Recording falls behind the port: reading waits while " +
                                       std::to_string(Limit) + " lines are queued"});
}
