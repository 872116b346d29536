#include "acquisition/ProfileFile.h"
#include "acquisition/RuntimeErrors.h"
#include "settings/StationSettings.h"

#include "TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

// A record in which every field differs from the first-run values.
TStationSettings Changed() {
    TStationSettings s;
    s.PortSettings.COMPort = 1;
    s.PortSettings.ReadTotalConstant = 250;
    s.MaxPointsOnScreen = 0;
    for (auto& graph : s.GraphChannels) graph.fill(true);
    s.GraphChannels[4][4] = false;
    s.AutoCreateIntermagnet = false;
    s.MinuteOr5Seconds = 1;
    s.IntermagnetHeader = {"ABC", "XYZF", "EDI", "0423", "0112", "012345"};
    s.FilterCoefficientTexts = {"0.25", "0.5", "2.5E-1"};
    s.FilterCoefficients = {0.25, 0.5, 0.25};
    s.Iaga.SecondFiles = true;
    s.Iaga.Header = {"Net", "Abc", "45.5", "12", "100", "HEZF", "HDZ", "5 Hz"};
    s.ImagCdf = {false, true, "Inst", "Obs", "WDC", "Free", "2", "Partial", "Std", "IMOM-01"};
    return s;
}

TStationSettings Loaded(const std::string& fileName, TStationSettings settings = {}) {
    LoadStationSettings(settings, TProfileFile(fileName));
    return settings;
}

}  // namespace

TEST(StationSettings, FirstRunReadsTheDefaults) {
    TTempDir dir;
    const TStationSettings settings = Loaded(dir.File("station.ini"), Changed());
    EXPECT_EQ(settings, TStationSettings{});
    EXPECT_EQ(settings.IntermagnetHeader,
              (TIntermagnetHeader{"IDC", "COMP", "GIN", "COLA", "LONG", "DECBAS"}));
    EXPECT_TRUE(settings.GraphChannels[2][2]);
    EXPECT_FALSE(settings.GraphChannels[2][3]);
    EXPECT_TRUE(settings.FilterCoefficients.empty());
}

TEST(StationSettings, SaveThenLoadGivesTheSameRecordInTheKnownLayout) {
    TTempDir dir;
    const std::string name = dir.File("station.ini");
    {
        TProfileFile file(name);
        SaveStationSettings(Changed(), file);
    }
    EXPECT_EQ(Loaded(name), Changed());
    const std::string text = ReadWholeFile(name);
    EXPECT_THAT(text, HasSubstr("[Options]\nMaxPointsOnScreen=0\nAutoCreateIntermagnet=0\n"));
    EXPECT_THAT(text, HasSubstr("[GraphAndSeries]\nGraph_0_Chan_0=1\nGraph_0_Chan_1=1\n"));
    EXPECT_THAT(text, HasSubstr("Graph_4_Chan_4=0\n"));
    EXPECT_THAT(text, HasSubstr("[Intermagnet]\nminuteor5seconds=1\nIDC=ABC\nCOMP=XYZF\nGIN=EDI\n"
                                "COLA=0423\nLONG=0112\nDECBAS=012345\n"));
    EXPECT_THAT(text, HasSubstr("[Filter]\nC0=0.25\nC1=0.5\nC2=2.5E-1\n"));  // texts as entered
    EXPECT_THAT(text, HasSubstr("[IAGA2002]\nSecondFiles=1\nMinuteFiles=0\nSourceOfData=Net\n"
                                "StationName=Abc\nLatitude=45.5\nLongitude=12\nElevation=100\n"
                                "Reported=HEZF\nSensorOrientation=HDZ\nDigitalSampling=5 Hz\n"));
    EXPECT_THAT(text, HasSubstr("[ImagCDF]\nSecondFiles=0\nMinuteFiles=1\nInstitution=Inst\n"
                                "ObservatoryName=Obs\nSource=WDC\nTermsOfUse=Free\nPublicationLevel=2\n"
                                "StandardLevel=Partial\nStandardName=Std\nPartialStandDesc=IMOM-01\n"));
}

TEST(StationSettings, HeaderTextsAreCutAndOddValuesGiveDefaults) {
    TTempDir dir;
    const std::string name = dir.File("station.ini");
    WriteWholeFile(name,
                   "[intermagnet]\nIDC=ABCDE\nDECBAS=1234567\nCOLA=\xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F\xC3\xA9\n"
                   "[Intermagnet]\nGIN=ED\n"
                   "[Options]\nMaxPointsOnScreen=lots\nAutoCreateIntermagnet=0\n"
                   "[GraphAndSeries]\nGraph_0_Chan_0=0\nGraph_1_Chan_3=1\n");
    const TStationSettings settings = Loaded(name);
    EXPECT_EQ(settings.IntermagnetHeader.IDC, "ABC");
    EXPECT_EQ(settings.IntermagnetHeader.DECBAS, "123456");
    EXPECT_EQ(settings.IntermagnetHeader.COLA, "\xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F");  // 4 characters
    EXPECT_EQ(settings.IntermagnetHeader.GIN, "ED");
    EXPECT_EQ(settings.IntermagnetHeader.COMP, "COMP");
    EXPECT_EQ(settings.MaxPointsOnScreen, 100);
    EXPECT_FALSE(settings.AutoCreateIntermagnet);
    EXPECT_FALSE(settings.GraphChannels[0][0]);
    EXPECT_TRUE(settings.GraphChannels[1][1]);
    EXPECT_TRUE(settings.GraphChannels[1][3]);
}

TEST(StationSettings, FilterKeysAreReadUpToTheFirstGapAndStaleOnesDeletedUpToAGap) {
    TTempDir dir;
    const std::string name = dir.File("station.ini");
    WriteWholeFile(name, "[Filter]\nC0=0.5\nC1=-1.5e-3\nC3=7\n");
    TStationSettings settings = Loaded(name);
    EXPECT_THAT(settings.FilterCoefficientTexts, ElementsAre("0.5", "-1.5e-3"));
    EXPECT_THAT(settings.FilterCoefficients, ElementsAre(0.5, -0.0015));

    WriteWholeFile(name, "[Filter]\nC0=1\nC1=1\nC2=1\nC3=1\nC5=1\n");
    settings.FilterCoefficientTexts = {"0.4", "0.6"};
    settings.FilterCoefficients = {0.4, 0.6};
    {
        TProfileFile file(name);
        SaveStationSettings(settings, file);
    }
    TProfileFile file(name);
    EXPECT_THAT(file.ReadSection("Filter"), ElementsAre("C0", "C1", "C5"));
    EXPECT_EQ(file.ReadString("Filter", "C1", ""), "0.6");

    settings.FilterCoefficientTexts.clear();
    settings.FilterCoefficients.clear();
    SaveStationSettings(settings, file);
    EXPECT_THAT(file.ReadSection("Filter"), ElementsAre("C5"));
}

TEST(StationSettings, AnErrorStopsTheLoadAndLeavesLaterFieldsAsTheyWere) {
    TTempDir dir;
    const std::string name = dir.File("station.ini");
    const TStationSettings before = Changed();

    // A filter value that is not a number: everything before the filter is read, and the
    // filter keeps its previous coefficients rather than half of the new ones.
    WriteWholeFile(name, "[Options]\nMaxPointsOnScreen=300\n[Intermagnet]\nIDC=NEW\n"
                         "[Filter]\nC0=0.5\nC1=0,5\nC2=1\n");
    TStationSettings settings = before;
    EXPECT_THROW(LoadStationSettings(settings, TProfileFile(name)), EConvertError);
    EXPECT_EQ(settings.MaxPointsOnScreen, 300);
    EXPECT_EQ(settings.IntermagnetHeader.IDC, "NEW");
    EXPECT_EQ(settings.FilterCoefficientTexts, before.FilterCoefficientTexts);
    EXPECT_EQ(settings.FilterCoefficients, before.FilterCoefficients);

    // A port value out of range: nothing after the port settings is read.
    WriteWholeFile(name, "[COMPortSettings]\nCOMPort=3\nParity=256\n[Options]\nMaxPointsOnScreen=300\n");
    settings = before;
    EXPECT_THROW(LoadStationSettings(settings, TProfileFile(name)), ERangeError);
    EXPECT_EQ(settings.PortSettings.COMPort, 3);
    TStationSettings expected = before;
    expected.PortSettings = settings.PortSettings;
    EXPECT_EQ(settings, expected);
}

TEST(StationSettings, ErrorTextNamesTheFullFileName) {
    TTempDir dir(/*enter*/ true);
    const std::string full = (std::filesystem::current_path() / "station.ini").string();
    EXPECT_EQ(IniFileErrorText("station.ini"), "Error in ini-file:" + full);
    EXPECT_EQ(IniFileErrorText("./sub/../station.ini"), "Error in ini-file:" + full);
    EXPECT_EQ(IniFileErrorText("/etc/orvant3k.ini"), "Error in ini-file:/etc/orvant3k.ini");
}

TEST(IntermagnetHeader, CutsCharactersNotBytes) {
    EXPECT_EQ(CutToLength("ABCDE", 3), "ABC");
    EXPECT_EQ(CutToLength("AB", 3), "AB");
    EXPECT_EQ(CutToLength("", 3), "");
    EXPECT_EQ(CutToLength("\xC3\xA4\xC3\xB6X", 2), "\xC3\xA4\xC3\xB6");
    EXPECT_EQ(CutToSize({"ABCD", "ABCDE", "ABCD", "ABCDE", "ABCDE", "ABCDEFG"}),
              (TIntermagnetHeader{"ABC", "ABCD", "ABC", "ABCD", "ABCD", "ABCDEF"}));
}
