// The wording of the acquisition report: never "recording" while nothing is recorded.

#include "window/RunStatus.h"

#include <gtest/gtest.h>

using TLevel = TRunStatus::TLevel;

TEST(RunStatus, FollowsARunFromOpeningThroughAPortFailureToItsStop) {
    TRunStatus status;
    EXPECT_EQ(status.Text(), "");
    status.Starting("COM1");
    EXPECT_EQ(status.Text(), "Opening COM1...");
    EXPECT_FALSE(status.Recording());
    status.Report(TReportKind::PortOk, "COM1 open, reading /dev/ttyS0");
    status.SampleRecorded();
    status.SampleRecorded();
    EXPECT_TRUE(status.Recording());
    EXPECT_EQ(status.Text(), "Recording: COM1 open, reading /dev/ttyS0; 2 samples");
    EXPECT_EQ(status.Level(), TLevel::Normal);

    status.Report(TReportKind::PortError, "Read failed\n/dev/ttyS0: Input/output error\n");
    EXPECT_FALSE(status.Recording());
    EXPECT_EQ(status.Level(), TLevel::Error);
    EXPECT_EQ(status.Text(),
              "PORT ERROR: Read failed - /dev/ttyS0: Input/output error - not recording: port error");

    status.Stopped();
    EXPECT_EQ(status.Text(), "Stopped; 2 samples recorded");
    // Reports of the ended run that arrive late change nothing.
    status.Report(TReportKind::PortError, "late");
    status.Report(TReportKind::BadLine, "late");
    EXPECT_EQ(status.Text(), "Stopped; 2 samples recorded");
    EXPECT_EQ(status.Level(), TLevel::Normal);
}

TEST(RunStatus, WriteFailuresAndEndedProcessingSayNotRecordedUntilOver) {
    TRunStatus status;
    status.Starting("COM2");
    status.Report(TReportKind::PortOk, "COM2 open");
    status.SampleFailed("Cannot create ARCHIVE/2024: Not a directory");
    EXPECT_FALSE(status.Recording());
    EXPECT_EQ(status.Level(), TLevel::Error);
    EXPECT_EQ(status.Text(), "WRITE ERROR: Cannot create ARCHIVE/2024: Not a directory - samples are not recorded");
    status.SampleRecorded();
    EXPECT_TRUE(status.Recording());
    EXPECT_EQ(status.Text(), "Recording: COM2 open; 1 samples");

    status.Report(TReportKind::ProcessingError, "Sample processing stopped: out of memory");
    EXPECT_FALSE(status.Recording());
    EXPECT_EQ(status.Text(), "PROCESSING ERROR: Sample processing stopped: out of memory - not recording");
    // The port reopening does not bring an ended processing thread back.
    status.Report(TReportKind::PortOk, "COM2 open");
    EXPECT_FALSE(status.Recording());

    status.Starting("COM2");
    status.NotStarted("Could not open COM port: COM2\n/dev/ttyS1: No such file or directory");
    EXPECT_EQ(status.Text(),
              "NOT RECORDING: Could not open COM port: COM2 - /dev/ttyS1: No such file or directory - press Stop");
    EXPECT_EQ(status.Level(), TLevel::Error);
}

TEST(RunStatus, CountsDroppedLinesWithTheLastReason) {
    TRunStatus status;
    status.Starting("COM1");
    status.Report(TReportKind::PortOk, "COM1 open");
    status.Report(TReportKind::BadLine, "Could not create LogicalPacket from received string:<x>");
    status.Report(TReportKind::BadLine, "Dropped a line of 58 characters (61 expected)");
    EXPECT_EQ(status.BadLines(), 2u);
    // The reader's count is ahead of the reports that reached the window.
    status.SetDroppedLines(3);
    EXPECT_EQ(status.Level(), TLevel::Warning);
    EXPECT_TRUE(status.Recording());
    EXPECT_EQ(status.Text(), "Waiting for data: COM1 open | Bad lines: 3, last: Dropped a line "
                             "of 58 characters (61 expected)");
    status.Starting("COM1");
    EXPECT_EQ(status.BadLines(), 0u);

    // A setting the run cannot use stays in view for the whole run.
    status.Report(TReportKind::SettingsError,
                  "INTERMAGNET header: COLA must be one to four digits");
    status.Report(TReportKind::PortOk, "COM1 open");
    status.SampleRecorded();
    EXPECT_TRUE(status.Recording());
    EXPECT_EQ(status.Level(), TLevel::Warning);
    EXPECT_EQ(status.Text(), "Recording: COM1 open; 1 samples | INTERMAGNET header: COLA must be "
                             "one to four digits");
    status.Starting("COM1");
    EXPECT_EQ(status.Text(), "Opening COM1...");
}

TEST(RunStatus, AnOpenPortWaitsForDataAndASilenceOfTenSecondsIsAWarningUntilASample) {
    using namespace std::chrono_literals;
    TRunStatus::TClock::time_point now{};
    TRunStatus status;
    status.SetClock([&now] { return now; });
    status.Starting("COM1");
    status.Report(TReportKind::PortOk, "COM1 open, reading /dev/ttyS0");
    now += 9s;
    EXPECT_EQ(status.Text(), "Waiting for data: COM1 open, reading /dev/ttyS0");
    EXPECT_EQ(status.Level(), TLevel::Normal);
    EXPECT_TRUE(status.AwaitingData());
    now += 1s;
    EXPECT_EQ(status.Text(), "No data for 10 s: COM1 open, reading /dev/ttyS0");
    EXPECT_EQ(status.Level(), TLevel::Warning);

    status.SampleRecorded();
    EXPECT_EQ(status.Text(), "Recording: COM1 open, reading /dev/ttyS0; 1 samples");
    EXPECT_FALSE(status.AwaitingData());
    // Later in the run, how long nothing has come.
    now += 3min + 5s;
    EXPECT_EQ(status.Text(), "No data for 3 min 5 s: COM1 open, reading /dev/ttyS0; 1 samples");
    EXPECT_EQ(status.Level(), TLevel::Warning);
    now += 2h;
    EXPECT_EQ(status.Text(), "No data for 2 h 3 min: COM1 open, reading /dev/ttyS0; 1 samples");
    // A port error says more than the silence does.
    status.Report(TReportKind::PortError, "Read failed");
    EXPECT_EQ(status.Level(), TLevel::Error);
    EXPECT_TRUE(status.Text().starts_with("PORT ERROR: "));
}

TEST(RunStatus, ReportsOutsideARunShowAsAMessage) {
    TRunStatus status;
    status.Report(TReportKind::WriteError, "Cannot close INTERMAGNET/2024/01/Jan0524.TST");
    EXPECT_EQ(status.Text(), "Write error: Cannot close INTERMAGNET/2024/01/Jan0524.TST");
    EXPECT_EQ(status.Level(), TLevel::Warning);
    EXPECT_EQ(OneLine("a\r\nb\nc\r\n"), "a - b - c");
}
