#include "ExpectFailure.h"
#include "FileSizeLimit.h"
#include "TempDir.h"
#include "acquisition/NumberText.h"
#include "recording/IagaDataFile.h"
#include "settings/SensorComponents.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <memory>

namespace fs = std::filesystem;

namespace {

TDateTime At(int day, int hour, int minute, int second, int millisecond = 0) {
    return EncodeDateTime(2024, 1, day, hour, minute, second, millisecond);
}

// The expected lines are made here with printf, independently of the writer's formatting.
struct TExpectedDay {
    int Month = 1, Day = 5, DayOfYear = 5;

    std::string Stamp(int secondOfDay) const {
        char text[40];
        std::snprintf(text, sizeof text, "2024-%02d-%02d %02d:%02d:%02d.000 %03d   ", Month, Day,
                      secondOfDay / 3600, secondOfDay / 60 % 60, secondOfDay % 60, DayOfYear);
        return text;
    }
    std::string Record(int secondOfDay, double x, double y, double z) const {
        char text[80];
        std::snprintf(text, sizeof text, "%s %9.2f %9.2f %9.2f  88888.00\r\n",
                      Stamp(secondOfDay).c_str(), x, y, z);
        return text;
    }
    std::string Missing(int secondOfDay) const {
        return Stamp(secondOfDay) + "  99999.00  99999.00  99999.00  88888.00\r\n";
    }
    // Missing records for the lines [first, end) of a file of `interval`-second records.
    std::string MissingLines(int first, int end, int interval) const {
        std::string lines;
        for (int line = first; line < end; ++line) lines += Missing(line * interval);
        return lines;
    }
};

std::string Head(const char* kind) {
    return ReadWholeFile(std::string(ORVANT_SOURCE_DIR) + "/tests/recording/expected/iaga-head." +
                         kind);
}

// Byte for byte, naming the first line that differs instead of printing 86,400 lines.
void ExpectSameText(const std::string& path, const std::string& expected) {
    const std::string actual = ReadWholeFile(path);
    if (actual == expected) return;
    std::size_t at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
    const std::size_t lineStart = expected.rfind('\n', at) == std::string::npos
                                      ? 0
                                      : expected.rfind('\n', at) + 1;
    ADD_FAILURE() << path << " differs at byte " << at << " (" << actual.size() << " bytes, "
                  << expected.size() << " expected):\n  actual   "
                  << actual.substr(lineStart, 72) << "\n  expected "
                  << expected.substr(lineStart, 72);
}

class TIagaTest : public ::testing::Test {
protected:
    TIagaTest() : FDir(true) {
        FHeader.SourceOfData = "Test Observatory Network";
        FHeader.StationName = "Abcville";
        FHeader.Latitude = "45.123";
        FHeader.Longitude = "345.5";
        FHeader.Elevation = "120";
    }
    std::unique_ptr<TIagaDataFile> Writer(std::int32_t interval) const {
        return std::make_unique<TIagaDataFile>(interval, "ABC", FHeader,
                                               IagaStationComments("orvant3k test", interval, 3), 3);
    }
    static void Sample(TIagaDataFile& writer, TDateTime time, double x, double y, double z) {
        const std::array<double, 5> values{x, y, z, 21.5, 20.2};
        writer.WriteSample(values, time);
    }
    static void Output(TIagaDataFile& writer, TDateTime time, double x, double y, double z) {
        writer.WriteFilterOutput(TFilterValue{{x, y, z}, time});
    }

    TTempDir FDir;
    TIagaHeader FHeader;
};

}  // namespace

TEST_F(TIagaTest, ValuesFitNineColumnsAndNeverImpersonateTheMarkers) {
    const std::pair<double, const char*> cases[] = {
        {21345.678, "  21345.68"}, {-1234.5, "  -1234.50"}, {-0.004, "      0.00"},
        {0.0, "      0.00"},       {999999.99, " 999999.99"}, {-99999.99, " -99999.99"},
        {1000000.0, "  99999.00"}, {-100000.0, "  99999.00"}, {88888.0, "  99999.00"},
        {88887.996, "  99999.00"}, {99999.0, "  99999.00"},  {std::nan(""), "  99999.00"},
        {1e300, "  99999.00"},
    };
    for (const auto& [value, text] : cases) {
        std::string line;
        AppendIagaValue(line, value);
        EXPECT_EQ(line, text) << FormatShortest(value);
    }
    // Everything else rounds the double's exact value as printf does: data-like values, and
    // values on or within a hair of a half hundredth, where a shortcut would round wrongly.
    std::vector<double> values;
    std::uint64_t seed = 12345;
    for (int i = 0; i < 50000; ++i) {
        seed = seed * 6364136223846793005u + 1442695040888963407u;
        const double unit = static_cast<double>(seed >> 11) / 9007199254740992.0;
        const double hundredths = std::floor(unit * 9999800.0) - 4999900.0;
        values.push_back(unit * 199990.0 - 99995.0);
        values.push_back((hundredths + 0.5) / 100.0);
        values.push_back(std::nextafter((hundredths + 0.5) / 100.0, 0.0));
        values.push_back(hundredths / 100.0);
    }
    for (double value : {0.125, -2.375, 0.005, 1.005, -0.015, 2.675})
        values.push_back(value);
    for (double value : values) {
        char text[32];
        std::snprintf(text, sizeof text, " %9.2f", value);
        std::string expected = text;
        if (expected == "     -0.00") expected = "      0.00";
        if (expected == "  88888.00") expected = "  99999.00";
        std::string line;
        AppendIagaValue(line, value);
        ASSERT_EQ(line, expected) << FormatShortest(value);
        // Other formats hold what a reader of this text gets.
        ASSERT_EQ(IagaValueAsRead(value), std::strtod(expected.c_str(), nullptr)) << FormatShortest(value);
    }
}

TEST_F(TIagaTest, HeaderRulesNameTheFieldThatBreaksThem) {
    EXPECT_FALSE(CheckIagaHeader("abc", FHeader));
    EXPECT_FALSE(CheckIagaHeader("A1B", FHeader));
    const auto keyOf = [](const std::string& code, const TIagaHeader& header) {
        const auto problem = CheckIagaHeader(code, header);
        return problem ? problem->Key : std::string("none");
    };
    EXPECT_EQ(keyOf("AB", FHeader), "IDC");
    EXPECT_EQ(keyOf("A/B", FHeader), "IDC");
    const std::pair<std::string TIagaHeader::*, std::vector<std::string>> broken[] = {
        {&TIagaHeader::Latitude, {"", "90.5", "45,1", "north"}},
        {&TIagaHeader::Longitude, {"-180.5", "360.01", "1e"}},
        {&TIagaHeader::Elevation, {"", "high"}},
        {&TIagaHeader::Reported, {"HDZF", "xyzf", ""}},
        {&TIagaHeader::SensorOrientation, {"XYZFQ", "X1"}},
        {&TIagaHeader::StationName, {"Z\xC3\xBCrich", "tab\there"}},
    };
    for (const auto& [field, texts] : broken)
        for (const std::string& text : texts) {
            TIagaHeader header = FHeader;
            header.*field = text;
            const auto problem = CheckIagaHeader("ABC", header);
            ASSERT_TRUE(problem) << text;
            EXPECT_NE(problem->Text.find(text), std::string::npos) << problem->Text;
        }
    TIagaHeader header = FHeader;
    header.Reported = "HEZF";
    header.Longitude = "360";
    header.Latitude = "-90";
    EXPECT_EQ(keyOf("ABC", header), "none");
    header.Longitude = "-180";  // west, written east
    EXPECT_EQ(keyOf("ABC", header), "none");
    EXPECT_EQ(EffectiveSensorOrientation(header), "HEZ");
    header.SensorOrientation = "HDZ";
    EXPECT_EQ(EffectiveSensorOrientation(header), "HDZ");
}

TEST_F(TIagaTest, HeaderValuesAreWrittenInTheFormatsFormAndComponentsMatchTheSensor) {
    const std::pair<std::pair<const char*, bool>, const char*> numbers[] = {
        {{"+49.8", false}, "49.8"},   {{"4.98e1", false}, "49.8"}, {{"-0", false}, "0"},
        {{"-10.5", true}, "349.5"},   {{"-70.123", true}, "289.877"}, {{"-180", true}, "180"},
        {{"360", true}, "360"},       {{"1.5E3", false}, "1500"},  {{"north", false}, "north"},
    };
    for (const auto& [input, written] : numbers)
        EXPECT_EQ(IagaHeaderNumber(input.first, input.second), written) << input.first;
    EXPECT_EQ(IagaIntervalType(60, 91), "Filtered 1-minute (00:15-01:45)");
    EXPECT_EQ(IagaIntervalType(60, 4), "Filtered 1-minute (00:58-01:01)");
    EXPECT_EQ(IagaIntervalType(60, 181), "Filtered 1-minute (-00:30-02:30)");
    EXPECT_EQ(IagaIntervalType(1, 91), "1-second");
    FHeader.Latitude = "+45.5";
    FHeader.Longitude = "-3.25";
    FHeader.Elevation = "1.2e2";
    const std::string head = IagaFileHead("ABC", FHeader, 60, {"no period"}, 91);
    for (const char* line : {" Geodetic Latitude      45.5 ", " Geodetic Longitude     356.75 ",
                             " Elevation              120 ",
                             " Data Interval Type     Filtered 1-minute (00:15-01:45) "})
        EXPECT_NE(head.find(line), std::string::npos) << line;

    // Reported and COMP must name the sensor's own components; HDZ and HEZ are one set-up.
    const auto reportedOk = [](const char* reported, const char* sensor) {
        TIagaHeader header;
        header.Reported = reported;
        header.SensorOrientation = sensor;
        return !CheckReportedComponents(header);
    };
    const auto compOk = [](const char* comp, const char* reported, const char* sensor) {
        TIagaHeader header;
        header.Reported = reported;
        header.SensorOrientation = sensor;
        return !CheckIntermagnetComponents(comp, header);
    };
    EXPECT_TRUE(reportedOk("XYZF", "") && reportedOk("XYZF", "xyz") && reportedOk("HEZF", "") &&
                reportedOk("HEZF", "HDZ") && reportedOk("HEZF", "HEZF"));
    EXPECT_FALSE(reportedOk("HEZF", "XYZ"));
    EXPECT_FALSE(reportedOk("XYZF", "HDZ"));
    EXPECT_TRUE(compOk("XYZF", "XYZF", "") && compOk("HDZF", "HEZF", "") &&
                compOk("HDZF", "XYZF", "HDZ") && compOk("ABCD", "XYZF", ""));
    EXPECT_FALSE(compOk("HDZF", "XYZF", ""));
    EXPECT_FALSE(compOk("XYZF", "HEZF", "HEZ"));
    TIagaHeader xyz;
    const auto problem = CheckIntermagnetComponents("HDZF", xyz);
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->Key, "COMP");
    EXPECT_EQ(problem->Text, "COMP HDZF does not match the sensor's components XYZ (SensorOrientation "
                             "empty): XYZF needs an XYZ sensor, HDZF an HDZ or HEZ one");
}

// From mid-day across midnight: the first day complete with its 86,400 and 1,440 lines, the
// second as far as the stop.
TEST_F(TIagaTest, ARunAcrossMidnightCompletesTheDayAndStartsTheNextAtMidnight) {
    auto seconds = Writer(TIagaDataFile::SecondInterval);
    auto minutes = Writer(TIagaDataFile::MinuteInterval);
    const TExpectedDay jan5, jan6{1, 6, 6};
    std::string sec5 = Head("sec") + jan5.MissingLines(0, 86310, 1), sec6 = Head("sec");
    std::string min5 = Head("min") + jan5.MissingLines(0, 1439, 60), min6 = Head("min");
    for (int k = 0; k < 181; ++k) {  // 23:58:30 to 00:01:30, one sample a second
        const int second = (86310 + k) % 86400;
        const double x = 21000.5 + k / 100.0, y = -1234.56 - k, z = 45000.0 + k;
        Sample(*seconds, At(5 + (86310 + k) / 86400, 0, 0, 0) + second / SecondsPerDay, x, y, z);
        (k < 90 ? sec5 : sec6) += (k < 90 ? jan5 : jan6).Record(second, x, y, z);
        if (second % 60 == 0) {
            // A filter output on the minute, as the run hands it over.
            Output(*minutes, At(5 + (86310 + k) / 86400, 0, 0, 0) + second / SecondsPerDay, x, y, z);
            (k < 90 ? min5 : min6) += (k < 90 ? jan5 : jan6).Record(second, x, y, z);
        } else {
            Output(*minutes, At(5, 23, 58, 30) + k / SecondsPerDay, x, y, z);  // not on a mark
        }
    }
    seconds->Finish();
    minutes->Finish();
    ExpectSameText("IAGA2002/2024/01/abc20240105vsec.sec", sec5);
    ExpectSameText("IAGA2002/2024/01/abc20240106vsec.sec", sec6);
    ExpectSameText("IAGA2002/2024/01/abc20240105vmin.min", min5);
    ExpectSameText("IAGA2002/2024/01/abc20240106vmin.min", min6);
    EXPECT_EQ(std::count(sec5.begin(), sec5.end(), '\n') - 16, 86400);
    EXPECT_EQ(std::count(min5.begin(), min5.end(), '\n') - 16, 1440);
    EXPECT_EQ(FilesUnder("IAGA2002").size(), 4u);
}

TEST_F(TIagaTest, AnHourWithoutSamplesKeepsEveryRecordOnTheLineOfItsTime) {
    auto seconds = Writer(TIagaDataFile::SecondInterval);
    auto minutes = Writer(TIagaDataFile::MinuteInterval);
    const TExpectedDay day;
    std::string sec = Head("sec") + day.MissingLines(0, 36000, 1);
    std::string min = Head("min") + day.MissingLines(0, 600, 60);
    for (int s = 0; s < 3; ++s) {
        Sample(*seconds, At(5, 10, 0, s), s, -s, 0.5);
        sec += day.Record(36000 + s, s, -s, 0.5);
    }
    Output(*minutes, At(5, 10, 0, 0), 1, 2, 3);
    min += day.Record(36000, 1, 2, 3);
    // Another sample of the same second, and one the clock sent again, are not written.
    Sample(*seconds, At(5, 10, 0, 2, 500), 7, 7, 7);
    Sample(*seconds, At(5, 10, 0, 1), 7, 7, 7);
    Output(*minutes, At(5, 10, 0, 0), 7, 7, 7);

    Sample(*seconds, At(5, 11, 0, 5, 999), 4, 5, 6);  // the millisecond does not move it
    sec += day.MissingLines(36003, 39605, 1) + day.Record(39605, 4, 5, 6);
    Output(*minutes, At(5, 11, 5, 0) + 0.4 / SecondsPerDay, 4, 5, 6);  // rounds to 11:05:00
    min += day.MissingLines(601, 665, 60) + day.Record(39900, 4, 5, 6);
    seconds->Finish();
    minutes->Finish();
    ExpectSameText("IAGA2002/2024/01/abc20240105vsec.sec", sec);
    ExpectSameText("IAGA2002/2024/01/abc20240105vmin.min", min);
}

// A later run continues its own day file; a clock gone back behind the file's last record, or
// a file that is not the station's own, gives a fragment named by its first record.
TEST_F(TIagaTest, ALaterRunContinuesItsOwnDayFileOrStartsAFragment) {
    const TExpectedDay day;
    const std::string path = "IAGA2002/2024/01/abc20240105vsec.sec";
    std::string expected = Head("sec") + day.MissingLines(0, 36000, 1);
    {
        auto first = Writer(TIagaDataFile::SecondInterval);
        for (int s = 0; s < 3; ++s) Sample(*first, At(5, 10, 0, s), s, s, s);
        first->Finish();
    }
    for (int s = 0; s < 3; ++s) expected += day.Record(36000 + s, s, s, s);
    {
        auto second = Writer(TIagaDataFile::SecondInterval);
        Sample(*second, At(5, 10, 0, 6), 6, 6, 6);
        second->Finish();
    }
    expected += day.MissingLines(36003, 36006, 1) + day.Record(36006, 6, 6, 6);
    ExpectSameText(path, expected);

    // The clock went back: the day file stays as it is, twice.
    for (int run = 0; run < 2; ++run) {
        auto late = Writer(TIagaDataFile::SecondInterval);
        Sample(*late, At(5, 9, 30, 0), -1, -2, -3);
        Sample(*late, At(5, 9, 30, 2), -1, -2, -3);
        late->Finish();
    }
    ExpectSameText(path, expected);
    const std::string fragment = Head("sec") + day.Record(34200, -1, -2, -3) +
                                 day.Missing(34201) + day.Record(34202, -1, -2, -3);
    ExpectSameText("IAGA2002/2024/01/abc20240105093000vsec.sec", fragment);
    ExpectSameText("IAGA2002/2024/01/abc20240105093000vsec_0.sec", fragment);

    // Another station's header: not ours to continue. A minute fragment is named to the minute.
    FHeader.StationName = "Elsewhere";
    WriteWholeFile("IAGA2002/2024/01/abc20240105vmin.min", "someone else's file\r\n");
    auto minutes = Writer(TIagaDataFile::MinuteInterval);
    Output(*minutes, At(5, 12, 30, 0), 1, 2, 3);
    minutes->Finish();
    EXPECT_EQ(ReadWholeFile("IAGA2002/2024/01/abc20240105vmin.min"), "someone else's file\r\n");
    const std::string minuteFragment = ReadWholeFile("IAGA2002/2024/01/abc202401051230vmin.min");
    EXPECT_NE(minuteFragment.find("Elsewhere"), std::string::npos);
    EXPECT_EQ(minuteFragment.substr(minuteFragment.size() - 72), day.Record(45000, 1, 2, 3));
    EXPECT_EQ(FilesUnder("IAGA2002").size(), 5u);
}

TEST_F(TIagaTest, ReadBackByFixedColumns) {
    FHeader.StationName = std::string(50, 'n');  // cut at 44 columns
    auto minutes = Writer(TIagaDataFile::MinuteInterval);
    Output(*minutes, At(5, 0, 2, 0), -12345.67, 0.125, 999999.99);
    minutes->Finish();
    const std::string text = ReadWholeFile("IAGA2002/2024/01/abc20240105vmin.min");
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < text.size(); at += 72) {
        ASSERT_EQ(text.compare(at + 70, 2, "\r\n"), 0) << "line " << lines.size();
        lines.push_back(text.substr(at, 70));
    }
    ASSERT_EQ(lines.size(), 16u + 3u);
    const auto trimmed = [](std::string field) {
        while (!field.empty() && field.back() == ' ') field.pop_back();
        return field;
    };
    EXPECT_EQ(trimmed(lines[3].substr(1, 23)), "IAGA CODE");
    EXPECT_EQ(trimmed(lines[3].substr(24, 44)), "ABC");
    EXPECT_EQ(lines[2].substr(24, 44), std::string(44, 'n'));
    EXPECT_EQ(trimmed(lines[10].substr(24, 44)), "Filtered 1-minute (00:59-01:01)");
    for (int i = 0; i < 16; ++i) EXPECT_EQ(lines[i][69], '|') << i;
    EXPECT_EQ(lines[12].substr(1, 2), "# ");
    EXPECT_EQ(lines[15].substr(42, 4), "ABCY");

    const std::string& data = lines[18];
    EXPECT_EQ(data.substr(0, 10), "2024-01-05");
    EXPECT_EQ(data.substr(11, 12), "00:02:00.000");
    EXPECT_EQ(data.substr(24, 3), "005");
    double fields[4];
    for (int f = 0; f < 4; ++f) {
        const std::string field = data.substr(30 + 10 * f, 10);
        ASSERT_EQ(field[0], ' ');
        fields[f] = StrToFloat(field.substr(field.find_first_not_of(' ')));
    }
    EXPECT_DOUBLE_EQ(fields[0], -12345.67);
    EXPECT_DOUBLE_EQ(fields[1], 0.12);  // "%9.2f" of 0.125: halves to even
    EXPECT_DOUBLE_EQ(fields[2], 999999.99);
    EXPECT_DOUBLE_EQ(fields[3], 88888.0);
    EXPECT_EQ(lines[16].substr(30), "  99999.00  99999.00  99999.00  88888.00");
}

TEST_F(TIagaTest, FailuresNameThePathAndTheReasonAndLoseNoPosition) {
    WriteWholeFile("IAGA2002", "in the way");
    auto seconds = Writer(TIagaDataFile::SecondInterval);
    const std::string path = "IAGA2002/2024/01/abc20240105vsec.sec";
    ExpectFailure([&] { Sample(*seconds, At(5, 0, 0, 1), 1, 1, 1); },
                  {path + ": Could not create directory IAGA2002/", "TIagaDataFile", "WriteRecord"});
    EXPECT_FALSE(seconds->Opened());
    fs::remove("IAGA2002");

    const TExpectedDay day;
    Sample(*seconds, At(5, 0, 0, 2), 2, 2, 2);
    {
        TFileSizeLimit limit(fs::file_size(path) + 10);
        ExpectFailure([&] { Sample(*seconds, At(5, 0, 0, 4), 4, 4, 4); },
                      {path + ": File too large", "TIagaDataFile", "WriteRecord"});
    }
    Sample(*seconds, At(5, 0, 0, 5), 5, 5, 5);
    seconds->Finish();
    ExpectSameText(path, Head("sec") + day.MissingLines(0, 2, 1) + day.Record(2, 2, 2, 2) +
                             day.MissingLines(3, 5, 1) + day.Record(5, 5, 5, 5));
}
