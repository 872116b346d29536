// Days of data as fast as the station takes them: the simulator, its stamps one second apart,
// feeds the headless recorder through a pseudo-terminal, across the end of February of a leap
// year. Every line sent from the first day on is in the archive, one file per day, and every
// full day has an INTERMAGNET file of 24 complete hour blocks through the shipped 91-coefficient
// filter.
//
// ORVANT_DAYS_FIRST ("YYYY-MM-DD") and ORVANT_DAYS (a count) stretch the run; bench/
// year-of-data.sh runs a whole year this way and reads the figures printed at the end.
//
// The recorder purges its port when it opens it, and the link to the simulator's terminal
// exists only once the simulator runs, so the lines written before the recorder reads are
// lost by design. The simulator therefore starts an hour ahead of the first day: the terminal
// holds far less than an hour of lines and the simulator waits while it is full, so from the
// first line the recorder keeps, the stamps run without a gap, and that line lies in the hour
// before the first day.

#include "recording/DateFormat.h"
#include "instrument/LineSource.h"
#include "instrument/SimulatorOptions.h"
#include "instrument/StampTime.h"
#include "RecorderProcess.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t LeadIn = 3600;
constexpr std::uint64_t LinesPerDay = 86400;
constexpr std::size_t LineBytes = 63;

std::string EnvironmentOr(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

// The recorder's resident memory in kB ("VmRSS" or "VmHWM", the peak); 0 when it has gone.
long MemoryKb(pid_t pid, const std::string& field) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field + ":", 0) == 0) return std::atol(line.c_str() + field.size() + 1);
    return 0;
}

std::string DayFile(const char* tree, TDateTime day, const char* name, const char* extension) {
    return std::string(tree) + "/" + FormatDateTime("yyyy/mm/", day) + FormatDateTime(name, day) +
           extension;
}

// The lines [first, first + count) of the source, as the archive holds them.
std::string ExpectedLines(const TLineSource& source, std::uint64_t first, std::uint64_t count) {
    std::string text;
    text.reserve(count * LineBytes);
    for (std::uint64_t line = first; line < first + count; ++line) text += source.Text(line) + "\r\n";
    return text;
}

// 24 blocks in hour order, each a header and 30 lines of two records, none missing.
void ExpectCompleteIntermagnetDay(const std::string& name, TDateTime day) {
    std::ifstream file(name, std::ios::binary);
    ASSERT_TRUE(file) << name;
    const std::string header = "TST " + UpperCaseAscii(FormatDateTime("mmmddyy", day)) + " ";
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 24u * 31u) << name;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i % 31 == 0) {
            const std::string hour = (i / 31 < 10 ? "0" : "") + std::to_string(i / 31);
            ASSERT_EQ(lines[i].rfind(header, 0), 0u) << name << " line " << i;
            ASSERT_EQ(lines[i].substr(header.size() + 4, 2), hour) << name << " line " << i;
        } else {
            ASSERT_EQ(lines[i].find("9999999"), std::string::npos) << name << " line " << i;
        }
    }
}

}  // namespace

TEST(DaysOfData, EveryLineOfDaysSentAtFullSpeedIsInItsDayFileWithCompleteIntermagnetDays) {
    const std::string firstDayText = EnvironmentOr("ORVANT_DAYS_FIRST", "2024-02-27");
    const int days = std::atoi(EnvironmentOr("ORVANT_DAYS", "4").c_str());
    ASSERT_GT(days, 0);
    const TDateTime firstDay = ParseStartTime(firstDayText + " 00:00:00");
    const TDateTime start = firstDay - static_cast<double>(LeadIn) / SecondsPerDay;
    const std::uint64_t count = LeadIn + static_cast<std::uint64_t>(days) * LinesPerDay;

    TTempDir directory(true);
    WriteWholeFile("station.ini",
                   "[Intermagnet]\r\nIDC=TST\r\nCOMP=XYZF\r\nGIN=EDI\r\nCOLA=0402\r\nLONG=0245\r\nDECBAS=0\r\n" +
                       ReadWholeFile(ORVANT_SOURCE_DIR "/filters/gaussian-1s-to-1min-91.filter"));
    const std::string link = directory.File("ttyInstrument");
    const auto began = std::chrono::steady_clock::now();
    TSimProcess simulator(ORVANT_SIMULATOR_PROGRAM,
                          {"--link", link, "--fast", "--count", std::to_string(count), "--start",
                           FormatDateTime("yyyy-mm-dd hh:nn:ss", start)});
    ASSERT_FALSE(simulator.DevicePath().empty()) << simulator.ErrorOutput();
    auto recorder = StartRecorder(link, "station.ini");
    ASSERT_TRUE(recorder);

    // Waits for the last day's file to be whole, noting the recorder's memory as it goes.
    const TDateTime lastDay = firstDay + days - 1;
    const std::string lastFile = DayFile("ARCHIVE", lastDay, "yyyymmdd", "000000.orv");
    std::vector<long> residentKb;
    ASSERT_TRUE(WaitUntil(
        [&] {
            if (residentKb.empty() || std::chrono::steady_clock::now() - began >
                                          std::chrono::seconds(residentKb.size()))
                residentKb.push_back(MemoryKb(recorder->Pid(), "VmRSS"));
            std::error_code missing;
            return fs::file_size(lastFile, missing) == LinesPerDay * LineBytes;
        },
        // Generous: a loaded machine has taken 6 s a day.
        std::chrono::seconds(600 + 30 * days)))
        << recorder->ErrorOutput();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    const long peakKb = MemoryKb(recorder->Pid(), "VmHWM");
    EXPECT_EQ(simulator.Wait(std::chrono::seconds(30)), 0) << simulator.ErrorOutput();
    EXPECT_EQ(recorder->Stop(), 0) << recorder->ErrorOutput();
    std::printf("days of data: %d days, %llu lines in %.1f s: %.0f lines/s; recorder memory "
                "%ld kB after the first second, %ld kB at the end, peak %ld kB\n",
                days, static_cast<unsigned long long>(count), seconds, count / seconds,
                residentKb.front(), residentKb.back(), peakKb);

    // The lead-in: the lines from the first one kept to the end of the hour before the day.
    const TLineSource source(StampOf(start), TLineRate(1, 1), TLineEnd::CrLf, 0);
    const auto archives = FilesUnder("ARCHIVE");
    ASSERT_EQ(archives.size(), static_cast<std::size_t>(days) + 1);
    const std::string leadIn = ReadWholeFile(archives.front());
    ASSERT_GT(leadIn.size(), 0u);
    ASSERT_EQ(leadIn.size() % LineBytes, 0u);
    const std::uint64_t kept = leadIn.size() / LineBytes;
    EXPECT_TRUE(leadIn == ExpectedLines(source, LeadIn - kept, kept)) << "lead-in: " << kept << " lines";

    for (int day = 0; day < days; ++day) {
        const TDateTime date = firstDay + day;
        const std::string name = DayFile("ARCHIVE", date, "yyyymmdd", "000000.orv");
        ASSERT_EQ(archives[static_cast<std::size_t>(day) + 1], fs::path(name));
        ASSERT_TRUE(ReadWholeFile(name) ==
                    ExpectedLines(source, LeadIn + static_cast<std::uint64_t>(day) * LinesPerDay,
                                  LinesPerDay))
            << name;
        ExpectCompleteIntermagnetDay(DayFile("INTERMAGNET", date, "mmmddyy", ".TST"), date);
    }
    EXPECT_EQ(FilesUnder("INTERMAGNET").size(), static_cast<std::size_t>(days) + 1);
}
