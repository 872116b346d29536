// The headless recorder's log on a terminal or file (time-stamped lines) and on the journal
// (syslog priority prefixes, no stamp of its own).

#include "station/StationLog.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <regex>
#include <sys/stat.h>

namespace {

std::string JournalStreamNaming(std::FILE* stream) {
    struct stat status {};
    ::fstat(fileno(stream), &status);
    return std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino);
}

// Logs one line of each priority, as the recorder does, and returns what the stream holds.
std::string LogEachPriority(const std::string& fileName, const char* journalStream) {
    std::FILE* stream = std::fopen(fileName.c_str(), "w+");
    if (journalStream)
        ::setenv("JOURNAL_STREAM", journalStream, 1);
    else
        ::setenv("JOURNAL_STREAM", JournalStreamNaming(stream).c_str(), 1);
    {
        TStationLog log(stream);
        log.Line("recording", TLogPriority::Notice);
        log.Report(TReportKind::PortError, "Could not read COM port\nInput/output error");
        log.Report(TReportKind::PortOk, "COM1 open, reading");
        log.Report(TReportKind::BadLine, "line too short");
        log.Line("archive file: ARCHIVE/2024/01/20240105123456.orv");
        EXPECT_EQ(log.LastError(), "port error: Could not read COM port - Input/output error");
    }
    ::unsetenv("JOURNAL_STREAM");
    std::fclose(stream);
    return ReadWholeFile(fileName);
}

}  // namespace

TEST(StationLog, OnTheJournalLinesCarryTheirPriorityAndNoStampElsewhereTheStampStays) {
    const TTempDir directory;
    EXPECT_EQ(LogEachPriority(directory.File("journal"), nullptr),
              "<5>recording\n"
              "<3>port error: Could not read COM port - Input/output error\n"
              "<5>port recovered: COM1 open, reading\n"
              "<4>bad line: line too short\n"
              "<6>archive file: ARCHIVE/2024/01/20240105123456.orv\n");

    // JOURNAL_STREAM inherited by a program whose standard error goes elsewhere names another
    // file: the log keeps its own stamps.
    const std::string stamped = LogEachPriority(directory.File("file"), "1:2");
    const std::regex stampedLine(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d [^<\n][^\n]*\n)");
    EXPECT_EQ(std::regex_replace(stamped, stampedLine, ""), "") << stamped;
    EXPECT_NE(stamped.find(" bad line: line too short\n"), std::string::npos) << stamped;
}
