// ImagCDF day files, read back by an independent CDF reader (Debian's Java CDF library) and
// compared with what was written: attributes, record counts, values and time stamps.

#include "JavaCdfListing.h"
#include "TempDir.h"
#include "recording/CdfReader.h"
#include "recording/ImagCdfDay.h"
#include "recording/ImagCdfWriter.h"
#include "recording/Tt2000.h"

#include "acquisition/BasicException.h"
#include "acquisition/RuntimeErrors.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr std::int64_t UnixEpochDay = 25569;  // 1970-01-01 in days since 1899-12-30

std::int64_t UnixSeconds(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
    std::tm parts{};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    return timegm(&parts);
}

std::string Iso(std::int64_t unixSeconds) {
    const std::time_t time = unixSeconds;
    std::tm parts{};
    gmtime_r(&time, &parts);
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S.000000000", &parts);
    return text;
}

TImagCdfHeader Header() {
    TImagCdfHeader header;
    header.IagaCode = "ABC";
    header.ElementsRecorded = "HEZ";
    header.VectorSensOrient = "HEZ";
    header.ObservatoryName = "Abc Observatory";
    header.Institution = "Institute of Tests";
    header.TermsOfUse = "Free to use.";
    header.Latitude = 45.25;
    header.Longitude = 350.5;
    header.Elevation = 123.0;
    return header;
}

std::string WriteDay(const TTempDir& dir, const TImagCdfHeader& header, const TImagCdfDay& day) {
    const std::string path = dir.File(ImagCdfFileName(header, day));
    std::ofstream(path, std::ios::binary) << ImagCdfDayFile(header, day, UnixSeconds(2024, 2, 1));
    return path;
}

}  // namespace

TEST(Tt2000, CountsEveryLeapSecondAndConvertsBack) {
    // The epoch itself, 32 leap seconds and TT's 32.184 s after it in UTC terms.
    EXPECT_EQ(Tt2000FromUnixSeconds(UnixSeconds(2000, 1, 1, 12)), 64'184'000'000);
    // Across the leap second at the end of 2016 two UTC seconds are three TT2000 seconds apart.
    const std::int64_t last2016 = UnixSeconds(2016, 12, 31, 23, 59, 59);
    EXPECT_EQ(Tt2000FromUnixSeconds(last2016 + 1) - Tt2000FromUnixSeconds(last2016), 2'000'000'000);
    EXPECT_EQ(Tt2000FromUnixSeconds(UnixSeconds(2017, 1, 1)), 536'500'869'184'000'000);
    for (std::int64_t second : {last2016 - 1, last2016, last2016 + 1, UnixSeconds(1972, 1, 1),
                                UnixSeconds(1999, 1, 1), UnixSeconds(2024, 2, 29, 13, 14, 15)})
        EXPECT_EQ(UnixSecondsFromTt2000(Tt2000FromUnixSeconds(second)), second) << Iso(second);
    EXPECT_EQ(TaiMinusUtc(UnixSeconds(2026, 12, 10)), 37);
    EXPECT_THROW(TaiMinusUtc(UnixSeconds(1971, 12, 31)), std::exception);
}

TEST(ImagCdfDay, AMinuteDayReadsBackWithItsAttributesValuesAndFillValues) {
    TTempDir dir;
    const TImagCdfHeader header = Header();
    TImagCdfDay day;
    day.Day = UnixSeconds(2024, 1, 5) / 86400 + UnixEpochDay;
    day.Interval = 60;
    for (int record = 0; record < 1440; ++record)
        day.Values.push_back({20000.25 + record, -1234.5 - record / 8.0, 45678.75});
    day.Values[7] = {ImagCdfFillValue, ImagCdfFillValue, ImagCdfFillValue};
    EXPECT_EQ(ImagCdfFileName(header, day), "abc_20240105_0000_1.cdf");

    const TListing listing = ListWithJavaReader(WriteDay(dir, header, day));
    ASSERT_EQ(listing.Errors, "");
    const std::map<std::string, std::string> expectedGlobals = {
        {"FormatDescription", "INTERMAGNET CDF Format"}, {"FormatVersion", "1.2"},
        {"Title", "Geomagnetic time series data"}, {"IagaCode", "ABC"}, {"ElementsRecorded", "HEZ"},
        {"PublicationLevel", "1"}, {"PublicationDate", "2024-02-01T00:00:00.000000000"},
        {"ObservatoryName", "Abc Observatory"}, {"Latitude", "45.25"}, {"Longitude", "350.5"},
        {"Elevation", "123.0"}, {"Institution", "Institute of Tests"}, {"VectorSensOrient", "HEZ"},
        {"StandardLevel", "None"}, {"Source", "institute"}, {"TermsOfUse", "Free to use."}};
    EXPECT_EQ(listing.Globals.size(), expectedGlobals.size());
    for (const auto& [name, value] : expectedGlobals)
        EXPECT_EQ(listing.Globals.count(name) ? listing.Globals.at(name) : std::vector<std::string>{},
                  std::vector<std::string>{value}) << name;

    for (int element = 0; element < 3; ++element) {
        const std::string code(1, "HEZ"[element]);
        const std::string variable = "GeomagneticField" + code;
        const std::map<std::string, std::string> attributes = {
            {"FIELDNAM", "Geomagnetic Field Element " + code}, {"UNITS", "nT"}, {"FILLVAL", "99999.0"},
            {"VALIDMIN", "-79999.0"}, {"VALIDMAX", "79999.0"}, {"DEPEND_0", "GeomagneticVectorTimes"},
            {"DISPLAY_TYPE", "time_series"}, {"LABLAXIS", code}};
        EXPECT_EQ(listing.Attributes.count(variable) ? listing.Attributes.at(variable) : decltype(attributes){},
                  attributes) << variable;
        const std::vector<std::string>& records = listing.Records.at(variable);
        ASSERT_EQ(records.size(), 1440u) << variable;
        for (int record = 0; record < 1440; ++record)
            EXPECT_DOUBLE_EQ(std::stod(records[record]), day.Values[record][element]) << variable << " " << record;
    }
    const std::vector<std::string>& times = listing.Records.at("GeomagneticVectorTimes");
    ASSERT_EQ(times.size(), 1440u);
    for (int record = 0; record < 1440; ++record)
        ASSERT_EQ(times[record], Iso(UnixSeconds(2024, 1, 5) + 60 * record)) << record;
}

TEST(ImagCdfDay, SecondDaysOnBothSidesOfALeapSecondConvertBackToTheirUtcSeconds) {
    TTempDir dir;
    TImagCdfHeader header = Header();
    header.ElementsRecorded = header.VectorSensOrient = "XYZ";
    header.TermsOfUse.clear();
    for (const std::int64_t start : {UnixSeconds(2016, 12, 31), UnixSeconds(2017, 1, 1)}) {
        TImagCdfDay day;
        day.Day = start / 86400 + UnixEpochDay;
        day.Interval = 1;
        day.Values.assign(86400, {21000.5, -300.25, 44000.0});
        const std::string name = ImagCdfFileName(header, day);
        EXPECT_EQ(name, start == UnixSeconds(2016, 12, 31) ? "abc_20161231_000000_1.cdf" : "abc_20170101_000000_1.cdf");

        const TListing listing = ListWithJavaReader(WriteDay(dir, header, day));
        ASSERT_EQ(listing.Errors, "") << name;
        EXPECT_EQ(listing.Globals.count("TermsOfUse"), 0u) << "an empty optional text is left out";
        EXPECT_EQ(listing.Records.at("GeomagneticFieldY").size(), 86400u);
        const std::vector<std::string>& times = listing.Records.at("GeomagneticVectorTimes");
        ASSERT_EQ(times.size(), 86400u) << name;
        for (int record = 0; record < 86400; ++record)
            ASSERT_EQ(times[record], Iso(start + record)) << name << " record " << record;
    }
}

namespace {

TFilterValue MinuteOutput(int day, int minuteOfDay, double x) {
    return {{x, -x / 10, 45000.0}, EncodeDateTime(2024, 1, day, minuteOfDay / 60, minuteOfDay % 60, 0, 0)};
}

// The first element's values (H) of a minute day file as the Java reader gives them, "" for
// the fill value.
std::vector<std::string> MinuteXs(const std::string& path) {
    const TListing listing = ListWithJavaReader(path);
    EXPECT_EQ(listing.Errors, "") << path;
    std::vector<std::string> xs;
    if (!listing.Records.count("GeomagneticFieldH")) return xs;
    for (const std::string& value : listing.Records.at("GeomagneticFieldH"))
        xs.push_back(value == "99999.0" ? "" : value);
    return xs;
}

}  // namespace

TEST(ImagCdfWriter, WritesEachDayWholeWhenItIsOverAndContinuesADayFromTheSpoolOfAnEarlierRun) {
    TTempDir dir;
    const std::string folder = dir.Path().string() + "/";
    const std::string day5 = folder + "ImagCDF/2024/01/abc_20240105_0000_1.cdf";
    {
        // A live run: minutes 0 and 1 (the second output of minute 1 is not after it), a stop.
        TImagCdfWriter writer(TImagCdfWriter::MinuteInterval, Header());
        writer.SetBaseDirectory(folder);
        writer.SetSpooled(true);
        writer.WriteFilterOutput(MinuteOutput(5, 0, 20000.004));  // kept as the IAGA file's 20000.00
        writer.WriteFilterOutput(MinuteOutput(5, 1, 20001.0));
        writer.WriteFilterOutput(MinuteOutput(5, 1, 29999.0));
        writer.WriteFilterOutput({{1, 2, 3}, EncodeDateTime(2024, 1, 5, 0, 1, 30, 0)});  // not on a minute
        writer.Finish();
        writer.Finish();
        EXPECT_FALSE(fs::exists(day5));
        const std::vector<std::string> partial = MinuteXs(day5 + ".partial");
        ASSERT_EQ(partial.size(), 1440u);
        EXPECT_EQ(partial[0], "20000.0");
        EXPECT_EQ(partial[1], "20001.0");
        EXPECT_EQ(partial[2], "");
        EXPECT_TRUE(fs::exists(day5 + ".spool"));
    }
    {
        // The next run of the day continues after the spooled records and completes the day at
        // the day change: one file with both runs, the partial file and the spool gone.
        TImagCdfWriter writer(TImagCdfWriter::MinuteInterval, Header());
        writer.SetBaseDirectory(folder);
        writer.SetSpooled(true);
        writer.WriteFilterOutput(MinuteOutput(5, 1, 11111.0));  // before the spool's last record
        writer.WriteFilterOutput(MinuteOutput(5, 1439, 21439.5));
        writer.WriteFilterOutput(MinuteOutput(6, 3, 30003.25));
        EXPECT_EQ(writer.FileName(), "ImagCDF/2024/01/abc_20240106_0000_1.cdf");
        const std::vector<std::string> whole = MinuteXs(day5);
        ASSERT_EQ(whole.size(), 1440u);
        EXPECT_EQ(whole[0], "20000.0");
        EXPECT_EQ(whole[1], "20001.0");
        EXPECT_EQ(whole[1439], "21439.5");
        EXPECT_EQ(std::count(whole.begin(), whole.end(), ""), 1437);
        EXPECT_FALSE(fs::exists(day5 + ".partial"));
        EXPECT_FALSE(fs::exists(day5 + ".spool"));
        writer.Finish();
    }
    {
        // Batch work keeps no spool, and never overwrites a complete day: it writes beside it.
        TImagCdfWriter writer(TImagCdfWriter::MinuteInterval, Header());
        writer.SetBaseDirectory(folder);
        for (int minute = 0; minute < 1440; ++minute) writer.WriteFilterOutput(MinuteOutput(5, minute, 1000.0 + minute));
        writer.Finish();
        EXPECT_EQ(writer.FileName(), "ImagCDF/2024/01/abc_20240105_0000_1_0.cdf");
        EXPECT_EQ(MinuteXs(day5)[5], "");
        EXPECT_EQ(MinuteXs(folder + writer.FileName())[5], "1005.0");
        EXPECT_FALSE(fs::exists(folder + "ImagCDF/2024/01/abc_20240105_0000_1_0.cdf.spool"));
    }
}

TEST(ImagCdfWriter, ADayThatCannotBeWrittenIsReportedWithItsPathAndTheNextDayStillStarts) {
    TTempDir dir;
    const std::string folder = dir.Path().string() + "/";
    TImagCdfWriter writer(TImagCdfWriter::MinuteInterval, Header());
    writer.SetBaseDirectory(folder);
    writer.WriteFilterOutput(MinuteOutput(5, 10, 20000.0));
    // A file where the month's folder should be: the day file cannot be made.
    fs::create_directories(folder + "ImagCDF/2024");
    std::ofstream(folder + "ImagCDF/2024/01") << "in the way";
    try {
        writer.WriteFilterOutput(MinuteOutput(6, 0, 20000.0));
        ADD_FAILURE() << "the day file could not be written";
    } catch (const EBasicException& error) {
        EXPECT_EQ(error.SourceClass(), "TImagCdfWriter");
        EXPECT_NE(std::string(error.what()).find("ImagCDF/2024/01/abc_20240105_0000_1.cdf"), std::string::npos)
            << error.what();
    }
    EXPECT_EQ(writer.FileName(), "ImagCDF/2024/01/abc_20240106_0000_1.cdf");
}

TEST(CdfReader, ReadsBackEveryPartOfTheFilesTheStationWritesAndRefusesDamagedOnes) {
    TImagCdfDay day;
    day.Day = UnixSeconds(2024, 2, 29) / 86400 + UnixEpochDay;
    day.Interval = 60;
    for (int record = 0; record < 1440; ++record) day.Values.push_back({record * 0.25, -record - 0.5, 1e5 / (record + 1)});
    const std::string bytes = ImagCdfDayFile(Header(), day, UnixSeconds(2024, 3, 1));
    const TCdfContents contents = ReadCdf(bytes);

    EXPECT_EQ(contents.LeapSecondTableDate, LeapSecondTableDate);
    EXPECT_EQ(contents.Globals.at("IagaCode").at(0).Text, "ABC");
    EXPECT_EQ(contents.Globals.at("Longitude").at(0).Doubles, std::vector<double>{350.5});
    EXPECT_EQ(contents.Globals.at("PublicationDate").at(0).Times,
              std::vector<std::int64_t>{Tt2000FromUnixSeconds(UnixSeconds(2024, 3, 1))});
    ASSERT_EQ(contents.Variables.size(), 4u);
    for (int element = 0; element < 3; ++element) {
        const TCdfContents::TVariable& variable = contents.Variables[element];
        EXPECT_EQ(variable.Name, std::string("GeomagneticField") + "HEZ"[element]);
        EXPECT_EQ(variable.Attributes.at("DEPEND_0").Text, "GeomagneticVectorTimes");
        EXPECT_EQ(variable.Attributes.at("FILLVAL").Doubles, std::vector<double>{ImagCdfFillValue});
        ASSERT_EQ(variable.Doubles.size(), 1440u);
        for (int record = 0; record < 1440; ++record) EXPECT_EQ(variable.Doubles[record], day.Values[record][element]);
    }
    ASSERT_EQ(contents.Variables[3].Times.size(), 1440u);
    EXPECT_EQ(UnixSecondsFromTt2000(contents.Variables[3].Times[1439]), UnixSeconds(2024, 2, 29, 23, 59));

    // Cut short, or with a byte of a descriptor changed, the file is refused, never misread.
    for (std::size_t length : {std::size_t{0}, std::size_t{7}, std::size_t{400}, bytes.size() / 2, bytes.size() - 1})
        EXPECT_THROW(ReadCdf(std::string_view(bytes).substr(0, length)), EConvertError) << length;
    std::string damaged = bytes;
    damaged[8 + 312 + 20 + 7] ^= 0x40;  // the GDR's pointer to the first variable
    EXPECT_THROW(ReadCdf(damaged), EConvertError);
}

TEST(ImagCdfSettings, EveryBrokenRuleIsNamedAtOnceAndTheHeaderComesFromTheIagaSettings) {
    TIagaHeader iaga;
    iaga.StationName = "Abc Observatory";
    iaga.Latitude = "45.25";
    iaga.Longitude = "350.5";
    iaga.Elevation = "123";
    iaga.Reported = "HEZF";
    TImagCdfSettings settings;
    settings.Institution = "Institute of Tests";
    EXPECT_TRUE(CheckImagCdfSettings("ABC", iaga, settings).empty());

    TIagaHeader west = iaga;
    west.Longitude = "-9.5";
    const TImagCdfHeader header = ImagCdfHeaderFrom("abc", west, settings);
    EXPECT_EQ(header.IagaCode, "ABC");
    EXPECT_EQ(header.ElementsRecorded, "HEZ");
    EXPECT_EQ(header.VectorSensOrient, "HEZ");
    EXPECT_EQ(header.ObservatoryName, "Abc Observatory");
    EXPECT_EQ(header.Longitude, 350.5);  // east, 0 to 360

    settings.Institution.clear();
    settings.Source = "me";
    settings.PublicationLevel = "5";
    settings.StandardLevel = "Partial";
    settings.TermsOfUse = "caf\xc3\xa9";
    iaga.Latitude = "north";
    std::vector<std::string> keys;
    for (const TIagaProblem& problem : CheckImagCdfSettings("ABC", iaga, settings)) keys.push_back(problem.Key);
    EXPECT_EQ(keys, (std::vector<std::string>{"Latitude", "Institution", "TermsOfUse", "StandardName",
                                              "PartialStandDesc", "Source", "PublicationLevel"}));
}
