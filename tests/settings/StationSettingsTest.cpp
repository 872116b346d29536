#include "acquisition/ProfileFile.h"
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
    TStationSettings settings;
    const TSettingsProblems problems = LoadStationSettings(settings, TProfileFile(name));
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].Key, "MaxPointsOnScreen");
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

TEST(StationSettings, EachBadValueFallsBackAloneAndIsNamedWithItsSectionKeyAndLine) {
    TTempDir dir;
    const std::string name = dir.File("station.ini");
    WriteWholeFile(name, "; the station\n[COMPortSettings]\nCOMPort=1\nBaudRate=-1\nParity=x\n"
                         "[Options]\nMaxPointsOnScreen=300\nAutoCreateIntermagnet=maybe\n"
                         "[Intermagnet]\nIDC=NEW\n[Filter]\nC0=0.5\nC1=0,5\nC2=1\n"
                         "[Network]\nBroker=broker.example\nPort=many\n");
    const TStationSettings before = Changed();
    TStationSettings settings = before;
    const TSettingsProblems problems = LoadStationSettings(settings, TProfileFile(name));
    std::vector<std::string> described;
    for (const TSettingsProblem& problem : problems) described.push_back(problem.Describe());
    EXPECT_THAT(described,
                ElementsAre("line 4, [COMPortSettings] BaudRate: Range check error: "
                            "COMPortSettings/BaudRate=-1 is outside 0..4294967295; the default is used",
                            "line 5, [COMPortSettings] Parity: 'x' is not a valid integer value; "
                            "the default is used",
                            "line 8, [Options] AutoCreateIntermagnet: 'maybe' is not a yes or no "
                            "(1/0, true/false, yes/no, on/off); the default 1 is used",
                            "line 13, [Filter] C1: '0,5' is not a valid floating point value; the "
                            "file's filter is not used",
                            "line 17, [Network] Port: 'many' is not a valid integer value; the "
                            "default 0 is used"));
    // Everything else is read, the keys after the bad ones included.
    EXPECT_EQ(settings.PortSettings.COMPort, 1);
    EXPECT_EQ(settings.PortSettings.BaudRate, TCOMPortSettings{}.BaudRate);
    EXPECT_EQ(settings.MaxPointsOnScreen, 300);
    EXPECT_TRUE(settings.AutoCreateIntermagnet);
    EXPECT_EQ(settings.IntermagnetHeader.IDC, "NEW");
    EXPECT_EQ(settings.Network.Broker, "broker.example");
    EXPECT_EQ(settings.Network.Port, 0);
    // The filter keeps its previous coefficients rather than a set short of one weight.
    EXPECT_EQ(settings.FilterCoefficientTexts, before.FilterCoefficientTexts);
    EXPECT_EQ(settings.FilterCoefficients, before.FilterCoefficients);
    EXPECT_EQ(DescribeAll(problems).substr(0, described[0].size() + 1), described[0] + "\n");
}

TEST(StationSettings, BooleansTakeTheUsualWordsAndAnUnreadableTlsKeepsTheNetworkOff) {
    TTempDir dir;
    const std::string name = dir.File("station.ini");
    WriteWholeFile(name, "[Options]\nAutoCreateIntermagnet=no\n[IAGA2002]\nSecondFiles=On\n"
                         "MinuteFiles=YES\n[GraphAndSeries]\nGraph_0_Chan_0=off\nGraph_0_Chan_1=TRUE\n"
                         "Graph_1_Chan_1=0\nGraph_1_Chan_2=2\n[Network]\nBroker=b\nTLS= yes \n");
    TStationSettings settings;
    EXPECT_TRUE(LoadStationSettings(settings, TProfileFile(name)).empty());
    EXPECT_FALSE(settings.AutoCreateIntermagnet);
    EXPECT_TRUE(settings.Iaga.SecondFiles && settings.Iaga.MinuteFiles);
    EXPECT_FALSE(settings.GraphChannels[0][0] || settings.GraphChannels[1][1]);
    EXPECT_TRUE(settings.GraphChannels[0][1] && settings.GraphChannels[1][2]);
    EXPECT_TRUE(settings.Network.Tls);
    EXPECT_EQ(settings.Network.Refused, "");

    // A security setting is never guessed: TLS that does not read keeps the network off.
    WriteWholeFile(name, "[Network]\nBroker=b\nTLS=yess\n");
    const TSettingsProblems problems = LoadStationSettings(settings, TProfileFile(name));
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].Describe(),
              "line 3, [Network] TLS: 'yess' is not a yes or no (1/0, true/false, yes/no, "
              "on/off); the network stays off rather than connect without TLS");
    EXPECT_EQ(settings.Network.Refused, "TLS=yess is not a yes or no; the network stays off");
    EXPECT_TRUE(settings.Network.Tls);
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

TEST(IntermagnetHeader, RefusesTheFieldNamesAndNamesEveryFailingFieldAtOnce) {
    const TIntermagnetHeaderProblem firstRun = CheckIntermagnetHeader(TIntermagnetHeader{});
    EXPECT_EQ(firstRun.Field, "IDC");
    EXPECT_EQ(firstRun.Text,
              "IDC must be the observatory's code, not \"IDC\"; COMP must be XYZF or HDZF, not "
              "\"COMP\"; GIN must be the code of the GIN that collects the data, not \"GIN\"; "
              "COLA must be one to four digits, not \"COLA\"; LONG must be one to four digits, "
              "not \"LONG\"; DECBAS must be one to six digits, not \"DECBAS\"");
    // What the shipped settings hold once COLA, LONG and DECBAS are set.
    const TIntermagnetHeaderProblem placeholders =
        CheckIntermagnetHeader({"IDC", "COMP", "GIN", "0402", "0245", "0"});
    EXPECT_EQ(placeholders.Field, "IDC");
    EXPECT_EQ(std::count(placeholders.Text.begin(), placeholders.Text.end(), ';'), 2);
    EXPECT_FALSE(CheckIntermagnetHeader({"ABC", "HDZF", "EDI", "0402", "0245", "0"}));
    EXPECT_EQ(CheckIntermagnetHeader({"ABC", "xyzf", "EDI", "0402", "0245", "0"}).Field, "COMP");
}
