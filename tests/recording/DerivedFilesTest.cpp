// Minute values as the data centres form them, through the derived files a live run, the
// converter and the collector share: one sample a second, absent samples renormalised while 90 %
// of the weight is present, and nothing written outside the record range.
#include "acquisition/NumberText.h"
#include "recording/DerivedFiles.h"
#include "recording/FilterFile.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <sstream>

namespace {

TDerivedSettings Settings(std::vector<double> coefficients) {
    TDerivedSettings settings;
    settings.IntermagnetHeader = {"ABC", "XYZF", "EDI", "0402", "0245", "0"};
    settings.FilterCoefficients = std::move(coefficients);
    settings.Iaga.SecondFiles = true;
    settings.Iaga.MinuteFiles = true;
    settings.Iaga.Header.Latitude = "45";
    settings.Iaga.Header.Longitude = "10";
    settings.Iaga.Header.Elevation = "0";
    settings.Program = "orvant3k test";
    return settings;
}

std::vector<double> StandardFilter() {
    std::vector<double> coefficients;
    for (const std::string& text :
         ReadFilterFile(ORVANT_SOURCE_DIR "/filters/gaussian-1s-to-1min-91.filter").Texts)
        coefficients.push_back(StrToFloat(text));
    return coefficients;
}

const TDateTime Start = EncodeDateTime(2024, 1, 5, 9, 59, 0);

// Records samples into `folder`; `lines(k)` gives the values of the lines of second k of the
// run (none for a lost second, several for an instrument sending faster).
using TLines = std::function<std::vector<std::array<double, 5>>(int k)>;
std::map<std::string, std::string> Record(const std::string& folder, const TDerivedSettings& settings,
                                          int seconds, const TLines& lines) {
    {
        TDerivedFiles files(settings);
        EXPECT_TRUE(files.Notices().empty());
        files.SetBaseDirectory(folder);
        for (int k = 0; k < seconds; ++k)
            for (const auto& values : lines(k)) files.Record(values, Start + k / SecondsPerDay);
        files.Finish();
    }
    return DerivedFilesUnder(folder);
}

std::array<double, 5> Ramp(int k) { return {20000.0 + k, -1000.0, 40000.0 + 0.5 * k, 21.5, 20.2}; }

// The data lines of an IAGA-2002 minute file from `from` ("hh:nn") on.
std::vector<std::string> MinuteLinesFrom(const std::string& file, const std::string& from) {
    std::vector<std::string> lines;
    std::istringstream in(file);
    bool taking = false;
    for (std::string line; std::getline(in, line);) {
        taking = taking || line.compare(11, 5, from) == 0;
        if (taking) lines.push_back(line.substr(0, 70));
    }
    return lines;
}

}  // namespace

TEST(DerivedFiles, FasterInstrumentsGiveTheFilesOfTheFirstSampleOfEachSecond) {
    TTempDir dir(true);
    const TDerivedSettings settings = Settings(StandardFilter());
    const auto once = Record("once", settings, 1500, [](int k) {
        return std::vector<std::array<double, 5>>{Ramp(k)};
    });
    // Five lines a second whose later lines differ (and a stamp gone back): the same files.
    const auto fast = Record("fast", settings, 1500, [](int k) {
        std::vector<std::array<double, 5>> lines{Ramp(k)};
        for (int i = 1; i < 5; ++i) lines.push_back(Ramp(k + 1000 * i));
        return lines;
    });
    ASSERT_EQ(once.size(), 3u);
    for (const auto& [name, contents] : once)
        EXPECT_TRUE(fast.count(name) && fast.at(name) == contents) << name;
}

TEST(DerivedFiles, AbsentSamplesAreRenormalisedUpToTenPercentOfTheWeight) {
    TTempDir dir(true);
    // 10 + 11 + 58 + 11 + 10 %: one outer sample absent leaves 90 %, an inner one 89 %.
    // On a ramp the renormalised value moves by 0.2 / 0.9 towards the side that is present.
    const std::vector<int> lost{118, 179, 242, 301};  // 10:01 - 2, 10:02 - 1, 10:03 + 2, 10:04 + 1
    const auto files = Record("out", Settings({0.10, 0.11, 0.58, 0.11, 0.10}), 391, [&](int k) {
        return std::find(lost.begin(), lost.end(), k) != lost.end()
                   ? std::vector<std::array<double, 5>>{}
                   : std::vector<std::array<double, 5>>{Ramp(k)};
    });
    const std::vector<std::string> expected{
        "2024-01-05 09:59:00.000 005     99999.00  99999.00  99999.00  88888.00",  // run start
        "2024-01-05 10:00:00.000 005     20060.00  -1000.00  40030.00  88888.00",
        "2024-01-05 10:01:00.000 005     20120.22  -1000.00  40060.11  88888.00",
        "2024-01-05 10:02:00.000 005     99999.00  99999.00  99999.00  88888.00",
        "2024-01-05 10:03:00.000 005     20239.78  -1000.00  40119.89  88888.00",
        "2024-01-05 10:04:00.000 005     99999.00  99999.00  99999.00  88888.00",
        "2024-01-05 10:05:00.000 005     20360.00  -1000.00  40180.00  88888.00",
    };
    EXPECT_EQ(MinuteLinesFrom(files.at("IAGA2002/2024/01/abc20240105vmin.min"), "09:59"),
              expected);
    std::istringstream intermagnet(files.at("INTERMAGNET/2024/01/Jan0524.ABC"));
    std::vector<std::string> lines;
    for (std::string line; std::getline(intermagnet, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 31u);  // the block of hour 10, its first record 10:00
    EXPECT_EQ(lines[1], " 200600  -10000  400300 999999   201202  -10000  400601 999999\r");
    EXPECT_EQ(lines[2], "9999999 9999999 9999999 999999   202398  -10000  401199 999999\r");
    EXPECT_EQ(lines[3], "9999999 9999999 9999999 999999   203600  -10000  401800 999999\r");
}

TEST(DerivedFiles, OneLostSampleOfTheStandardFilterIsRenormalisedAndTheRangeBoundsTheRecords) {
    TTempDir dir(true);
    const std::vector<double> c = StandardFilter();
    TDerivedSettings settings = Settings(c);
    const auto wave = [](int k) {
        return std::array<double, 5>{20000.0 + 40 * std::sin(k / 50.0), -1000.0, 40000.0, 0, 0};
    };
    const int lost = 170;  // 10:01:50, ten seconds before 10:02
    TDerivedFiles files(settings);
    files.SetBaseDirectory("out");
    // Only the records of 10:01 and 10:02: the samples around them still feed the filter.
    files.SetRecordRange(Start + 120 / SecondsPerDay, Start + 240 / SecondsPerDay);
    for (int k = 0; k < 400; ++k)
        if (k != lost) files.Record(wave(k), Start + k / SecondsPerDay);
    files.Finish();
    // An independent computation: the centred window, the present weights only.
    double sum = 0, weight = 0;
    for (int i = 0; i < 91; ++i) {
        const int k = 180 - 45 + i;
        if (k == lost) continue;
        sum += c[i] * wave(k)[0];
        weight += c[i];
    }
    char expected[80];
    std::snprintf(expected, sizeof expected,
                  "2024-01-05 10:02:00.000 005    %9.2f  -1000.00  40000.00  88888.00", sum / weight);
    const std::string minutes = ReadWholeFile("out/IAGA2002/2024/01/abc20240105vmin.min");
    const auto lines = MinuteLinesFrom(minutes, "10:00");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "2024-01-05 10:00:00.000 005     99999.00  99999.00  99999.00  88888.00");
    EXPECT_EQ(lines[1].substr(0, 23), "2024-01-05 10:01:00.000");
    EXPECT_NE(lines[1].find("88888.00"), std::string::npos);
    EXPECT_EQ(lines[1].find("99999.00"), std::string::npos);
    EXPECT_EQ(lines[2], expected);
    // The second file holds the seconds of the range only.
    const std::string seconds = ReadWholeFile("out/IAGA2002/2024/01/abc20240105vsec.sec");
    EXPECT_EQ(seconds.substr(seconds.size() - 72, 23), "2024-01-05 10:02:59.000");
}
