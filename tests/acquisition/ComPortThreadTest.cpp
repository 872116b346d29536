#include "LinkHarness.h"

#include <chrono>
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
    // The unparsable line is reported without a box that would hold up the reader.
    EXPECT_TRUE(run.Notifications.ErrorBoxes().empty());
    ASSERT_EQ(run.Notifications.ReportsOf(TReportKind::BadLine).size(), 1u);
    EXPECT_NE(run.Notifications.ReportsOf(TReportKind::BadLine)[0].find("\xB0"), std::string::npos);
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

TEST(ComPortThread, VanishingPortEndsTheReaderWithAReport) {
    TLinkHarness run;
    run.Start();
    run.Send(SampleLine(1) + "\r\n");
    ASSERT_TRUE(run.WaitForLines(1));
    run.Line.CloseSlave();
    run.Line.CloseMaster();
    ASSERT_TRUE(WaitServingHandOffs(*run.Reader, 5000));
    const std::string expected = "Error reading COM port\n" + run.Line.SlavePath() +
                                 ": Input/output error";
    EXPECT_EQ(run.Notifications.ReportsOf(TReportKind::PortError),
              std::vector<std::string>{expected});
    EXPECT_EQ(run.Reader->Failure(), expected);
    // The processing thread goes on waiting; the stop still ends everything.
    EXPECT_TRUE(run.Processing->isRunning());
    run.Stop();
    EXPECT_EQ(run.Notifications.ReportsOf(TReportKind::PortError).size(), 1u);
    EXPECT_EQ(run.Notifications.ReportsOf(TReportKind::PortOk),
              std::vector<std::string>{"COM5 open, reading " + run.Line.SlavePath()});
}

TEST(ComPortThread, PortThatCannotBeOpenedOrConfiguredIsReported) {
    TLinkHarness run;
    SetSerialDevice(TLinkHarness::ComNumber, "/nonexistent/ttyX");
    run.Start();
    ASSERT_TRUE(WaitServingHandOffs(*run.Reader, 5000));
    EXPECT_EQ(run.Notifications.ReportsOf(TReportKind::PortError),
              std::vector<std::string>{
                  "Error opening COM5 port.\n/nonexistent/ttyX: No such file or directory"});
    run.Stop();

    // A buffer size the port cannot take is a range error, reported the same way.
    TLinkHarness oversized;
    TCOMPortSettings settings;
    settings.InputBufferSize = 0x80000000u;
    oversized.Start(settings);
    ASSERT_TRUE(WaitServingHandOffs(*oversized.Reader, 5000));
    EXPECT_EQ(oversized.Notifications.ReportsOf(TReportKind::PortError),
              std::vector<std::string>{"Range check error\n" + oversized.Line.SlavePath()});
}

TEST(ComPortThread, BurstOfTenThousandLinesArrivesCompleteAndInOrder) {
    TLinkHarness run;
    run.Start();
    constexpr int Count = 10000;
    std::vector<std::string> expected;
    std::string bytes;
    for (int i = 0; i < Count; ++i) {
        expected.push_back(SampleLine(i));
        bytes += expected.back() + "\r\n";
    }
    std::thread instrument([&] { run.Send(bytes); });
    EXPECT_TRUE(run.WaitForLines(Count, 60000));
    instrument.join();
    run.Stop();
    EXPECT_EQ(run.Handler.Lines.size(), expected.size());
    EXPECT_TRUE(run.Handler.Lines == expected);
    EXPECT_EQ(run.Notifications.Beeps(), 0);
}
