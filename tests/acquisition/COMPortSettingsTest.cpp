#include "acquisition/COMPortSettings.h"
#include "acquisition/ProfileFile.h"
#include "acquisition/RuntimeErrors.h"

#include "TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::HasSubstr;

namespace {

// A record whose every field differs from the defaults, to see which fields a load touched.
TCOMPortSettings Marked() {
    TCOMPortSettings s;
    s.COMPort = 9;
    s.BaudRate = 99;
    s.StopBits = 99;
    s.DataBits = 99;
    s.Parity = 99;
    s.ReadInterval = s.ReadTotalMultiplier = s.ReadTotalConstant = 99;
    s.WriteTotalMultiplier = s.WriteTotalConstant = 99;
    s.InputBufferSize = s.OutputBufferSize = 99;
    return s;
}

}  // namespace

TEST(COMPortSettings, MissingSectionOrNonNumericValuesGiveTheDefaults) {
    TTempDir dir;
    const std::string name = dir.File("station.ini");
    TCOMPortSettings settings = Marked();
    LoadCOMPortSettings(settings, TProfileFile(name));
    EXPECT_EQ(settings, TCOMPortSettings{});

    WriteWholeFile(name, "[comportsettings]\nCOMPort=-1\nBaudRate=fast\nReadTotalConstant=0x7D0\n");
    settings = Marked();
    LoadCOMPortSettings(settings, TProfileFile(name));
    TCOMPortSettings expected;
    expected.COMPort = -1;  // the port index is signed: no range check
    expected.ReadTotalConstant = 2000;
    EXPECT_EQ(settings, expected);
}

TEST(COMPortSettings, AValueThatDoesNotFitStopsTheLoadAtItsField) {
    TTempDir dir;
    const std::string name = dir.File("station.ini");
    WriteWholeFile(name, "[COMPortSettings]\nCOMPort=2\nBaudRate=12\nStopBits=300\nDataBits=3\n");
    TCOMPortSettings settings = Marked();
    try {
        LoadCOMPortSettings(settings, TProfileFile(name));
        FAIL() << "no range error";
    } catch (const ERangeError& error) {
        EXPECT_THAT(error.what(), HasSubstr("StopBits=300"));
    }
    TCOMPortSettings expected = Marked();
    expected.COMPort = 2;
    expected.BaudRate = 12;
    EXPECT_EQ(settings, expected);

    // Negative values do not fit the unsigned fields, 256 does not fit a byte.
    for (const char* line : {"BaudRate=-1", "Parity=256", "DataBits=-1", "OutputBufferSize=-5",
                             "ReadInterval=0xFFFFFFFF"}) {
        WriteWholeFile(name, std::string("[COMPortSettings]\n") + line + "\n");
        settings = TCOMPortSettings{};
        EXPECT_THROW(LoadCOMPortSettings(settings, TProfileFile(name)), ERangeError) << line;
    }
    WriteWholeFile(name, "[COMPortSettings]\nParity=255\nOutputBufferSize=2147483647\n");
    LoadCOMPortSettings(settings, TProfileFile(name));
    EXPECT_EQ(settings.Parity, 255);
    EXPECT_EQ(settings.OutputBufferSize, 2147483647u);
}

TEST(COMPortSettings, SaveWritesDecimalKeysInOrderAndReadsBackTheSame) {
    TTempDir dir;
    const std::string name = dir.File("station.ini");
    TCOMPortSettings saved;
    saved.COMPort = 3;
    saved.BaudRate = 14;
    saved.StopBits = 2;
    saved.DataBits = 3;
    saved.Parity = 4;
    saved.ReadInterval = 20;
    saved.ReadTotalMultiplier = 1;
    saved.ReadTotalConstant = 2147483647;
    saved.WriteTotalMultiplier = 2;
    saved.WriteTotalConstant = 500;
    saved.InputBufferSize = 4096;
    saved.OutputBufferSize = 0;
    {
        TProfileFile file(name);
        SaveCOMPortSettings(saved, file);
    }
    EXPECT_EQ(ReadWholeFile(name),
              "[COMPortSettings]\nCOMPort=3\nBaudRate=14\nStopBits=2\nDataBits=3\nParity=4\n"
              "ReadInterval=20\nReadTotalMultiplier=1\nReadTotalConstant=2147483647\n"
              "WriteTotalMultiplier=2\nWriteTotalConstant=500\nInputBufferSize=4096\n"
              "OutputBufferSize=0\n");
    TCOMPortSettings loaded = Marked();
    LoadCOMPortSettings(loaded, TProfileFile(name));
    EXPECT_EQ(loaded, saved);
}

TEST(COMPortSettings, SaveRaisesAtTheFirstValueAboveTheSignedRange) {
    TTempDir dir;
    const std::string name = dir.File("station.ini");
    TCOMPortSettings settings;
    settings.ReadTotalConstant = 2147483648u;
    settings.InputBufferSize = 0xFFFFFFFFu;
    TProfileFile file(name);
    try {
        SaveCOMPortSettings(settings, file);
        FAIL() << "no range error";
    } catch (const ERangeError& error) {
        EXPECT_THAT(error.what(), HasSubstr("ReadTotalConstant=2147483648"));
    }
    EXPECT_EQ(file.ReadSection("COMPortSettings").size(), 7u);  // up to ReadTotalMultiplier
    EXPECT_FALSE(file.ValueExists("COMPortSettings", "ReadTotalConstant"));
}
