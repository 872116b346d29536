#include "ExpectFailure.h"
#include "FileSizeLimit.h"
#include "RecordingNotifier.h"
#include "TempDir.h"
#include "recording/Filter.h"
#include "recording/IntermagnetDataFile.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <memory>
#include <sstream>

namespace fs = std::filesystem;

namespace {

const std::string Missing = "9999999 9999999 9999999 999999";

TDateTime At(int hour, int minute, int second = 0) {
    return EncodeDateTime(2024, 1, 5, hour, minute, second);
}

std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Byte for byte, naming the first line that differs instead of printing whole files.
void ExpectSameFile(const std::string& actualPath, const std::string& expectedName) {
    const std::string actual = ReadWholeFile(actualPath);
    const std::string expected =
        ReadWholeFile(std::string(ORVANT_SOURCE_DIR) + "/tests/recording/expected/" + expectedName);
    ASSERT_FALSE(expected.empty()) << expectedName;
    if (actual == expected) return;
    const auto a = LinesOf(actual), e = LinesOf(expected);
    for (std::size_t i = 0; i < std::max(a.size(), e.size()); ++i) {
        const std::string left = i < a.size() ? a[i] : "<none>";
        const std::string right = i < e.size() ? e[i] : "<none>";
        if (left != right) {
            ADD_FAILURE() << actualPath << " differs from " << expectedName << " at line " << i + 1
                          << ":\n  actual   " << left << "\n  expected " << right;
            return;
        }
    }
    ADD_FAILURE() << actualPath << " differs from " << expectedName << " (line ends)";
}

class TIntermagnetTest : public ::testing::Test {
protected:
    TIntermagnetTest() : FDir(true) {}
    void UseFilter(std::vector<double> coefficients) { FFilter = TFilter(std::move(coefficients)); }
    // As the run controller creates it: the IDC is also the extension.
    static std::unique_ptr<TIntermagnetDataFile> Writer(int interval) {
        auto writer = std::make_unique<TIntermagnetDataFile>(interval, "ABC", "HDZF", "GHI",
                                                             "0402", "0245", "000000");
        writer->SetExtension(writer->IDC());
        return writer;
    }
    // Through the filter, as the run feeds the writer.
    std::string Feed(TIntermagnetDataFile& writer, TDateTime time, double x, double y, double z) {
        const std::array<double, 3> values{x, y, z};
        std::string line;
        for (const TFilterValue& output : FFilter.FilterSample(values, time)) {
            line = "not cleared";
            writer.WriteDataFileT(output, line);
        }
        return line;
    }
    // A linear ramp, so that a symmetric filter returns the middle sample's values.
    std::string FeedRamp(TIntermagnetDataFile& writer, TDateTime time, int k) {
        return Feed(writer, time, 21000 + 0.1 * k, -1500 - 0.1 * k, 45000 + 0.2 * k);
    }

    TTempDir FDir;
    TFilter FFilter;
};

}  // namespace

TEST_F(TIntermagnetTest, WithoutCoefficientsNothingIsWritten) {
    UseFilter({});
    auto writer = Writer(60);
    for (int m = 0; m < 5; ++m) EXPECT_EQ(Feed(*writer, At(10, m), 1, 2, 3), "");
    writer->Finish();
    EXPECT_FALSE(fs::exists("INTERMAGNET"));
}

TEST_F(TIntermagnetTest, MinuteValuesFromAStartInMidHour) {
    UseFilter({0.25, 0.5, 0.25});
    auto writer = Writer(60);
    std::vector<std::pair<int, std::string>> records;
    for (int k = 0; k <= 5701; ++k) {
        const std::string line = FeedRamp(*writer, At(10, 25) + k / SecondsPerDay, k);
        if (!line.empty()) records.emplace_back(k, line);
    }
    ASSERT_EQ(records.size(), 95u);  // 10:26 .. 12:00
    EXPECT_EQ(records.front(), std::make_pair(61, std::string(" 210060  -15060  450120 999999")));
    EXPECT_EQ(records.back().first, 5701);
    const std::string name = "INTERMAGNET/2024/01/Jan0524.ABC";
    // Until the stop the last block ends with the half line of the 12:00 record.
    const std::string before = ReadWholeFile(name);
    EXPECT_EQ(before.substr(before.size() - 32), "\r\n 215700  -20700  461400 999999");
    writer->Finish();
    EXPECT_FALSE(writer->Opened());
    ExpectSameFile(name, "minute-midhour.ABC");
}

TEST_F(TIntermagnetTest, FiveSecondValuesKeepTheirPositions) {
    UseFilter({1.0});
    auto writer = Writer(5);
    for (int k = 1; k <= 30; ++k) FeedRamp(*writer, At(10, 25, 30) + k / SecondsPerDay, k);
    writer.reset();  // destruction completes the block too
    ExpectSameFile("INTERMAGNET/2024/01/Jan0524.ABC", "five-second-midhour.ABC");
}

TEST_F(TIntermagnetTest, AGapInsideAnHourLeavesMissingRecordsAndASecondRunANewFile) {
    for (int run = 0; run < 2; ++run) {
        UseFilter({1.0});  // each run has its own filter
        auto writer = Writer(60);
        for (int m : {0, 1, 2, 3, 4, 5, 9, 10})
            EXPECT_NE(Feed(*writer, At(10, m), 20000 + m, -1000 - m, 40000 + 0.1 * m), "");
        writer->Finish();
    }
    ExpectSameFile("INTERMAGNET/2024/01/Jan0524.ABC", "minute-gap-in-hour.ABC");
    ExpectSameFile("INTERMAGNET/2024/01/Jan0524_0.ABC", "minute-gap-in-hour.ABC");
}

TEST_F(TIntermagnetTest, NoRecordSpansAGapInTheSamples) {
    // One sample a second from 10:37:59; 10:38:59 is lost (the 10:39 record lacks half its
    // weight), then the cable is out from 10:40:01 to 11:39:59: the records at 10:40 and 11:40
    // lack a quarter of theirs. All three are missing; 10:38, 11:41 and 11:42 are whole.
    UseFilter({0.25, 0.5, 0.25});
    auto writer = Writer(60);
    std::vector<std::string> records;
    const auto feed = [&](int from, int to) {
        for (int k = from; k <= to; ++k) {
            if (k == 59) continue;
            const TDateTime time = At(10, 38) + k / SecondsPerDay;
            const std::string line = Feed(*writer, time, 21000 + k, -1500 - 2 * k, 45000 + 4 * k);
            if (!line.empty()) records.push_back(line);
        }
    };
    feed(-1, 120);
    feed(3720, 3841);
    EXPECT_EQ(records, (std::vector<std::string>{" 210000  -15000  450000 999999",
                                                 " 247800  -90600  601200 999999",
                                                 " 248400  -91800  603600 999999"}));
    writer->Finish();
    ExpectSameFile("INTERMAGNET/2024/01/Jan0524.ABC", "minute-gap-in-samples.ABC");
}

TEST_F(TIntermagnetTest, HoursWithoutRecordsBetweenBlocksGetBlocksOfTheirOwn) {
    UseFilter({1.0});
    auto writer = Writer(60);
    for (auto [h, m] : {std::pair{10, 56}, {10, 57}, {13, 2}, {13, 3}})
        Feed(*writer, At(h, m), 20000 + 10 * h + 0.1 * m, -1000 - 0.1 * m, 40000 + 0.1 * h);
    writer->Finish();
    ExpectSameFile("INTERMAGNET/2024/01/Jan0524.ABC", "minute-gap-across-hours.ABC");
}

TEST_F(TIntermagnetTest, MidnightCompletesTheDayInTheDirectoryOfItsOwnRecords) {
    // The middle of 121 coefficients over one sample a second: each record is written a minute
    // later, so the 23:59 record of 31 December arrives with the first sample of the new year.
    std::vector<double> middle(121, 0.0);
    middle[60] = 1.0;
    UseFilter(middle);
    auto writer = Writer(60);
    for (int second = -180; second <= 120; ++second) {
        const TDateTime time = EncodeDate(2024, 1, 1) + second / SecondsPerDay;
        const int h = second < 0 ? 23 : 0, m = (second + 3600) / 60 % 60;
        Feed(*writer, time, 20000 + m, -1000 - m, 40000 + 0.1 * h);
    }
    writer->Finish();
    ExpectSameFile("INTERMAGNET/2023/12/Dec3123.ABC", "midnight-dec31.ABC");
    ExpectSameFile("INTERMAGNET/2024/01/Jan0124.ABC", "midnight-jan01.ABC");
}

TEST_F(TIntermagnetTest, AStampRoundingToMidnightBelongsToTheNextDay) {
    // Straight to the writer: the filter's outputs lie on whole seconds.
    auto writer = Writer(60);
    std::string line;
    writer->WriteDataFileT({{1, 2, 3}, EncodeDateTime(2023, 12, 31, 23, 59, 0)}, line);
    const TDateTime lateStamp = EncodeDateTime(2023, 12, 31, 23, 59, 59) + 0.6 / SecondsPerDay;
    writer->WriteDataFileT({{4, 5, 6}, lateStamp}, line);
    EXPECT_EQ(line, "     40      50      60 999999");
    EXPECT_EQ(writer->LastTime(), EncodeDate(2024, 1, 1));
    writer->Finish();
    const auto december = LinesOf(ReadWholeFile("INTERMAGNET/2023/12/Dec3123.ABC"));
    ASSERT_EQ(december.size(), 31u);
    EXPECT_EQ(december[30], Missing + "       10      20      30 999999\r");
    const auto january = LinesOf(ReadWholeFile("INTERMAGNET/2024/01/Jan0124.ABC"));
    ASSERT_EQ(january.size(), 31u);
    EXPECT_EQ(january[0], "ABC JAN0124   1 00 HDZF R GHI 04020245 000000 RRRRRRRRRRRRRRRR\r");
    EXPECT_EQ(january[1], "     40      50      60 999999  " + Missing + "\r");
}

TEST_F(TIntermagnetTest, ShortTextsWideValuesHalvesToEvenAndStampsThatGoBack) {
    UseFilter({1.0});
    TIntermagnetDataFile writer(60, "AB", "XYZ", "G", "12", "345", "0");
    writer.SetExtension(writer.IDC());
    // Values that need more than seven columns, or would read as the marker, are the marker.
    EXPECT_EQ(Feed(writer, At(10, 0), 12.25, 12.75, -150000.0), "    122     128 9999999 999999");
    EXPECT_EQ(Feed(writer, At(10, 1), -0.25, 0.25, 999999.9), "     -2       2 9999999 999999");
    EXPECT_EQ(TIntermagnetDataFile::DataRecord(-99999.9, 999999.8, -100000),
              "-999999 9999998 9999999 999999");
    EXPECT_EQ(TIntermagnetDataFile::DataRecord(std::nan(""), 1e300, -1e300),
              "9999999 9999999 9999999 999999");
    EXPECT_EQ(Feed(writer, At(10, 2), -1234.5, 21345.67, 45678.9),
              " -12345  213457  456789 999999");
    EXPECT_EQ(Feed(writer, At(10, 2), 7, 7, 7), "");   // repeated stamp
    EXPECT_EQ(Feed(writer, At(10, 1), 7, 7, 7), "");   // the clock went back
    EXPECT_EQ(Feed(writer, At(10, 4), 0.1, -0.1, 0.0), "      1      -1       0 999999");
    EXPECT_EQ(Feed(writer, At(9, 30), 7, 7, 7), "");   // an earlier hour of the same day
    EXPECT_EQ(Feed(writer, At(10, 4, 30), 7, 7, 7), "");  // not on a mark
    EXPECT_EQ(writer.LineCount(), 4);
    writer.Finish();
    ExpectSameFile("INTERMAGNET/2024/01/Jan0524.AB", "short-texts-wide-values.AB");
}

TEST_F(TIntermagnetTest, AStampFromTheDayBeforeIsDroppedAndTheDayStaysInOneFile) {
    UseFilter({1.0});
    auto writer = Writer(60);
    const TDateTime midnight = EncodeDate(2024, 1, 5);
    EXPECT_NE(Feed(*writer, midnight - 60 / SecondsPerDay, 1, 1, 1), "");  // 23:59 on the 4th
    EXPECT_EQ(Feed(*writer, midnight, 2, 2, 2), "     20      20      20 999999");
    EXPECT_EQ(Feed(*writer, midnight - 30 * 60 / SecondsPerDay, 7, 7, 7), "");  // 23:30 the 4th
    EXPECT_EQ(Feed(*writer, midnight + 60 / SecondsPerDay, 3, 3, 3),
              "     30      30      30 999999");
    writer->Finish();
    std::string expected = "ABC JAN0524   5 00 HDZF R GHI 04020245 000000 RRRRRRRRRRRRRRRR\r\n"
                           "     20      20      20 999999       30      30      30 999999\r\n";
    for (int line = 1; line < 30; ++line) expected += Missing + "  " + Missing + "\r\n";
    EXPECT_EQ(ReadWholeFile("INTERMAGNET/2024/01/Jan0524.ABC"), expected);
    EXPECT_FALSE(fs::exists("INTERMAGNET/2024/01/Jan0524_0.ABC"));
    EXPECT_FALSE(fs::exists("INTERMAGNET/2024/01/Jan0424_0.ABC"));
}

TEST_F(TIntermagnetTest, HeaderFieldsAreCutToTheirWidths) {
    TIntermagnetDataFile writer(60, "ABCD", "HDZFX", "GHIJ", "04020", "02450", "0000001");
    EXPECT_EQ(writer.HeaderLine(At(10, 26)),
              "ABC JAN0524   5 10 HDZF R GHI 04020245 000000 RRRRRRRRRRRRRRRR");
    // Characters are counted, not bytes, as the settings count them.
    TIntermagnetDataFile accented(60, "\xC3\x84\xC3\x96\xC3\x9CX", "AB\xC3\x84XY", "", "", "",
                                  "");
    EXPECT_EQ(accented.IDC(), "\xC3\x84\xC3\x96\xC3\x9C");
    EXPECT_EQ(accented.COMP(), "AB\xC3\x84X");
    EXPECT_THROW(TIntermagnetDataFile(7, "", "", "", "", "", ""), EBasicException);
    EXPECT_THROW(TIntermagnetDataFile(0, "", "", "", "", "", ""), EBasicException);
}

TEST_F(TIntermagnetTest, DayOfYearCountsLeapDays) {
    EXPECT_EQ(TIntermagnetDataFile::DayOfYear(EncodeDate(2024, 3, 1) + 0.5), 61);
    EXPECT_EQ(TIntermagnetDataFile::DayOfYear(EncodeDate(2100, 3, 1)), 60);
    EXPECT_EQ(TIntermagnetDataFile::DayOfYear(EncodeDate(2000, 12, 31)), 366);
}

TEST_F(TIntermagnetTest, AFailedOpenIsTriedAgainWithTheNextRecord) {
    UseFilter({1.0});
    WriteWholeFile("INTERMAGNET", "in the way");
    auto writer = Writer(60);
    ExpectFailure([&] { Feed(*writer, At(10, 0), 1, 2, 3); },
                  {"Could not create directory INTERMAGNET/", "TIntermagnetDataFile",
                   "WriteDataFileT"});
    EXPECT_FALSE(writer->Opened());
    fs::remove("INTERMAGNET");
    EXPECT_EQ(Feed(*writer, At(10, 3), 1, 2, 3), "     10      20      30 999999");
    writer->Finish();
    const auto lines = LinesOf(ReadWholeFile("INTERMAGNET/2024/01/Jan0524.ABC"));
    ASSERT_EQ(lines.size(), 31u);
    EXPECT_EQ(lines[2], Missing + "       10      20      30 999999\r");
}

TEST_F(TIntermagnetTest, AFailedWriteLeavesTheStateAndThePositionsIntact) {
    UseFilter({1.0});
    auto writer = Writer(60);
    for (int m = 0; m <= 2; ++m) Feed(*writer, At(10, m), m, m, m);
    const std::string name = writer->GetFileName();
    {
        TFileSizeLimit limit(fs::file_size(name) + 10);
        ExpectFailure([&] { Feed(*writer, At(10, 3), 3, 3, 3); },
                      {"File too large", "TIntermagnetDataFile", "WriteDataFileT"});
    }
    EXPECT_EQ(writer->LineState(), 2);
    EXPECT_EQ(writer->LineCount(), 3);
    EXPECT_EQ(writer->LastTime(), At(10, 2));
    Feed(*writer, At(10, 4), 4, 4, 4);
    writer->Finish();
    const auto lines = LinesOf(ReadWholeFile(name));
    ASSERT_EQ(lines.size(), 31u);
    EXPECT_EQ(lines[2], "     20      20      20 999999  " + Missing + "\r");
    EXPECT_EQ(lines[3], "     40      40      40 999999  " + Missing + "\r");
    for (const auto& line : lines) EXPECT_EQ(line.size(), 63u);
}

TEST_F(TIntermagnetTest, StopReportsAFailureToCompleteTheBlockAndStillCloses) {
    UseFilter({1.0});
    auto writer = Writer(60);
    Feed(*writer, At(10, 0), 1, 2, 3);
    {
        TFileSizeLimit limit(fs::file_size(writer->GetFileName()));
        ExpectFailure([&] { writer->Finish(); },
                      {"File too large", "TIntermagnetDataFile", "Finish"});
    }
    EXPECT_FALSE(writer->Opened());

    TRecordingNotifier notifier;
    Feed(*writer, At(10, 1), 1, 2, 3);  // a new file: Jan0524_0.ABC
    {
        TFileSizeLimit limit(fs::file_size(writer->GetFileName()));
        writer.reset();  // destruction must not throw
    }
    EXPECT_EQ(notifier.ReportsOf(TReportKind::WriteError),
              std::vector<std::string>{"File too large"});
}

TEST_F(TIntermagnetTest, ReopeningAfter801RecordsContinuesTheHalfLine) {
    UseFilter({1.0});
    auto writer = Writer(5);
    for (int k = 0; k < 1001; ++k) Feed(*writer, At(10, 0) + 5 * k / SecondsPerDay, k, -k, 0);
    EXPECT_EQ(writer->LineCount(), 200);
    EXPECT_EQ(writer->LineState(), 2);
    writer->Finish();
    const auto lines = LinesOf(ReadWholeFile("INTERMAGNET/2024/01/Jan0524.ABC"));
    ASSERT_EQ(lines.size(), 2u * 361);
    // Record 800 (the 801st) is the first half of block line 401 - 360 = 41 of hour 11.
    EXPECT_EQ(lines[361 + 41], "   8000   -8000       0 999999     8010   -8010       0 999999\r");
    EXPECT_EQ(lines[361 + 41 + 10], "   8200   -8200       0 999999     8210   -8210       0 999999\r");
}
