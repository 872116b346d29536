// The main window's settings: restored at the first showing (defaults, odd values, letter case
// of names, a failing value), saved at closing (every key, unrelated keys kept), the command-line
// action after the restore, and the close query during acquisition.

#include "MainFormFixture.h"

#include "acquisition/ProfileFile.h"

#include <QSplitter>

namespace {

namespace fs = std::filesystem;

bool OnlyOwnChannels(TChannelGraphs& graphs) {
    for (int g = 0; g < 5; ++g)
        for (int c = 0; c < 5; ++c)
            if (graphs.HasSeries(g, c) != (g == c)) return false;
    return true;
}

int SeriesCount(TChannelGraphs& graphs) {
    int count = 0;
    for (int g = 0; g < 5; ++g)
        for (int c = 0; c < 5; ++c) count += graphs.HasSeries(g, c) ? 1 : 0;
    return count;
}

}  // namespace

TEST_F(MainFormTest, FirstRunWithoutSettingsFileUsesTheDefaultsAndSavesEveryKeyAtClosing) {
    TOstrelMainForm& main = Make();
    // Before the first showing nothing is read: no series, live plotting off.
    EXPECT_EQ(SeriesCount(*main.Graphs()), 0);
    EXPECT_EQ(main.MaxPointsOnScreen(), 0);
    Show();
    EXPECT_TRUE(Notes.ErrorBoxes().empty());
    EXPECT_EQ(main.PortSettings(), TCOMPortSettings{});
    EXPECT_EQ(main.MaxPointsOnScreen(), 100);
    EXPECT_EQ(main.Graphs()->MaxPointsOnScreen(), 100);
    EXPECT_TRUE(OnlyOwnChannels(*main.Graphs()));
    EXPECT_TRUE(main.AutoCreateIntermagnet());
    EXPECT_EQ(main.MinuteOr5Seconds(), 0);
    EXPECT_EQ(main.IntermagnetHeader(), TIntermagnetHeader{});
    EXPECT_TRUE(FilterCoefficients.empty());
    EXPECT_FALSE(fs::exists(SettingsFile));

    main.close();
    const TProfileFile file(SettingsFile);
    EXPECT_EQ(file.ReadString("Options", "MaxPointsOnScreen", ""), "100");
    EXPECT_EQ(file.ReadString("Options", "AutoCreateIntermagnet", ""), "1");
    EXPECT_EQ(file.ReadSection("GraphAndSeries").size(), 25u);
    EXPECT_EQ(file.ReadString("GraphAndSeries", "Graph_3_Chan_3", ""), "1");
    EXPECT_EQ(file.ReadString("GraphAndSeries", "Graph_3_Chan_4", ""), "0");
    EXPECT_EQ(file.ReadString("Intermagnet", "DECBAS", ""), "DECBAS");
    EXPECT_EQ(file.ReadString("COMPortSettings", "ReadTotalConstant", ""), "100");
    EXPECT_EQ(file.ReadString("TOstrelMainForm", "CheckBox4_Checked", ""), "True");
    EXPECT_TRUE(file.ValueExists("TOstrelMainForm", "Panel4_Height"));
    EXPECT_TRUE(file.ValueExists("TOstrelMainForm", "NormPos"));
    EXPECT_FALSE(file.SectionExists("Filter"));
    // The pseudo-terminal of this run was an override: the file never hears of it.
    EXPECT_EQ(ReadWholeFile(SettingsFile).find("/dev/"), std::string::npos);
}

TEST_F(MainFormTest, OddValuesReadAsTheirDefaultsOrCutAndSectionNamesIgnoreLetterCase) {
    WriteWholeFile(SettingsFile,
                   "[options]\r\nmaxpointsonscreen=0x20\r\nAUTOCREATEINTERMAGNET=0\r\n"
                   "[comportsettings]\r\ncomport=0x2\r\n"
                   "[graphandseries]\r\ngraph_0_chan_3=1\r\nGraph_4_Chan_4=0\r\n"
                   "[intermagnet]\r\nIDC=ABCDE\r\nMinuteOr5Seconds=1\r\n"
                   "[INTERMAGNET]\r\nDECBAS=1234567\r\n"
                   "[Filter]\r\nC0=0.25\r\nC1=0.5\r\nC3=0.25\r\n"
                   "[SerialDevices]\r\ncom3=/dev/ttyUSB7\r\n"
                   "[TOstrelMainForm]\r\nCheckBox2_Checked=False\r\n");
    TOstrelMainForm& main = Make();
    Show();
    EXPECT_TRUE(Notes.ErrorBoxes().empty());
    EXPECT_EQ(main.MaxPointsOnScreen(), 32);
    EXPECT_FALSE(main.AutoCreateIntermagnet());
    EXPECT_EQ(main.PortSettings().COMPort, 2);
    EXPECT_TRUE(main.Graphs()->HasSeries(0, 3));
    EXPECT_TRUE(main.Graphs()->HasSeries(0, 0));
    EXPECT_FALSE(main.Graphs()->HasSeries(4, 4));
    EXPECT_EQ(main.IntermagnetHeader().IDC, "ABC");
    EXPECT_EQ(main.IntermagnetHeader().DECBAS, "123456");
    EXPECT_EQ(main.MinuteOr5Seconds(), 1);
    // Reading stops at the first missing index.
    EXPECT_EQ(FilterCoefficients, (std::vector<double>{0.25, 0.5}));
    EXPECT_EQ(FilterCoefficientTexts, (std::vector<std::string>{"0.25", "0.5"}));
    EXPECT_EQ(main.SerialDevices(), (TSerialDeviceMap{{3, "/dev/ttyUSB7"}}));
    SetSerialOverride("");
    EXPECT_EQ(ResolveSerialDevice("COM3"), "/dev/ttyUSB7");
    // The stored check box hides its graph.
    EXPECT_FALSE(main.CheckBox(2)->isChecked());
    EXPECT_FALSE(main.Graphs()->GraphVisible(2));
    EXPECT_EQ(main.Graphs()->VisibleGraphCount(), 4);
}

TEST_F(MainFormTest, BadValuesFallBackAloneNameTheirKeysSkipTheCommandLineAndSaveNothing) {
    const std::string content = "[COMPortSettings]\nCOMPort=1\nStopBits=300\n[Options]\n"
                                "MaxPointsOnScreen=7\n[Filter]\nC0=0.5\nC1=1,5\n; kept as it is\n";
    WriteWholeFile(SettingsFile, content);
    TOstrelMainForm& main = Make();
    main.SetCommandLineArgument("START");
    Show();
    EXPECT_EQ(Notes.ErrorBoxes(),
              (std::vector<std::string>{
                  "Error in ini-file:" + fs::absolute(SettingsFile).string(),
                  "line 3, [COMPortSettings] StopBits: Range check error: "
                  "COMPortSettings/StopBits=300 is outside 0..255; the default is used\n"
                  "line 8, [Filter] C1: '1,5' is not a valid floating point value; the file's "
                  "filter is not used"}));
    // The keys after the bad ones count; the filter stays empty rather than half read.
    EXPECT_EQ(main.PortSettings().COMPort, 1);
    EXPECT_EQ(main.PortSettings().StopBits, TCOMPortSettings{}.StopBits);
    EXPECT_EQ(main.MaxPointsOnScreen(), 7);
    EXPECT_TRUE(OnlyOwnChannels(*main.Graphs()));
    EXPECT_TRUE(FilterCoefficients.empty());
    EXPECT_FALSE(main.Acquiring());
    main.close();
    EXPECT_EQ(ReadWholeFile(SettingsFile), content);
}

TEST_F(MainFormTest, UnreadableFileIsReportedFirstAndNeitherStartsNorIsWrittenOver) {
    const std::string content = std::string("[Options]\nMaxPointsOnScreen=7\n\0\x01", 32);
    WriteWholeFile(SettingsFile, content);
    TOstrelMainForm& main = Make();
    main.SetCommandLineArgument("START");
    Show();
    ASSERT_FALSE(Notes.ErrorBoxes().empty());
    EXPECT_EQ(Notes.ErrorBoxes()[0],
              "Cannot read settings file " + SettingsFile + ": not a profile file");
    EXPECT_EQ(main.MaxPointsOnScreen(), 100);  // the defaults, not a half-read file
    EXPECT_TRUE(OnlyOwnChannels(*main.Graphs()));
    EXPECT_FALSE(main.Acquiring());
    main.close();
    EXPECT_EQ(ReadWholeFile(SettingsFile), content);
}

TEST_F(MainFormTest, SaveKeepsUnrelatedKeysAndDropsStaleCoefficients) {
    WriteWholeFile(SettingsFile,
                   "; the station's settings\n[Custom]\nColour=blue\n"
                   "[Filter]\nC0=1\nC1=2\nC2=3\nC3=4\n"
                   "[GraphAndSeries]\nGraph_1_Chan_0=1\n");
    TOstrelMainForm& main = Make();
    Show();
    EXPECT_TRUE(main.Graphs()->HasSeries(1, 0));
    main.Graphs()->ToggleSeries(1, 0);
    main.CheckBox(3)->setChecked(false);
    main.SetMaxPointsOnScreen(250);
    // The filter as the parameters dialog leaves it after OK.
    FilterCoefficientTexts = {"0.5", "0.50"};
    FilterCoefficients = {0.5, 0.5};
    main.close();

    const TProfileFile file(SettingsFile);
    EXPECT_EQ(file.ReadString("Custom", "Colour", ""), "blue");
    EXPECT_EQ(ReadWholeFile(SettingsFile).rfind("; the station's settings", 0), 0u);
    EXPECT_EQ(file.ReadSection("Filter"), (std::vector<std::string>{"C0", "C1"}));
    EXPECT_EQ(file.ReadString("Filter", "C1", ""), "0.50");
    EXPECT_EQ(file.ReadString("GraphAndSeries", "Graph_1_Chan_0", ""), "0");
    EXPECT_EQ(file.ReadString("TOstrelMainForm", "CheckBox3_Checked", ""), "False");
    EXPECT_EQ(file.ReadString("TOstrelMainForm", "Panel3_Height", ""), "0");
    EXPECT_EQ(file.ReadString("Options", "MaxPointsOnScreen", ""), "250");
}

TEST_F(MainFormTest, PanelHeightsComeBackAtTheNextRun) {
    TOstrelMainForm& first = Make();
    Show();
    first.Graphs()->SetPanelHeights({40, 120, 40, 40, 40});
    Settle();
    const std::array<int, 5> saved = first.Graphs()->PanelHeights();
    first.close();
    Windows.reset();

    TOstrelMainForm& second = Make();
    Show();
    Settle();
    const std::array<int, 5> restored = second.Graphs()->PanelHeights();
    for (int g = 0; g < 5; ++g) EXPECT_NEAR(restored[g], saved[g], 2) << g;
    EXPECT_GT(restored[1], 2 * restored[0]);
}

TEST_F(MainFormTest, StartArgumentInAnyCaseStartsAcquisitionOnceShown) {
    TOstrelMainForm& main = Make();
    main.SetCommandLineArgument("sTaRt");
    main.show();
    EXPECT_FALSE(main.Acquiring());  // not before the showing has finished
    ASSERT_TRUE(ProcessEventsUntil([this] { return Reading(); }, 10000));
    const std::string sent = Send(0, 3);
    EXPECT_TRUE(WaitForArchive(sent));
    main.StopAcquisition(false);
}

TEST_F(MainFormTest, FileArgumentGoesToTheViewerOnlyWhenTheFileExists) {
    const std::string day = Dir.File("day.orv");
    WriteWholeFile(day, InstrumentLine(Start, 0) + "\r\n");
    std::vector<std::string> opened;
    {
        TOstrelMainForm& main = Make();
        main.OpenFileForViewing = [&opened](const std::string& name) { opened.push_back(name); };
        main.SetCommandLineArgument(day);
        Show();
        EXPECT_EQ(opened, (std::vector<std::string>{day}));
        EXPECT_FALSE(main.Acquiring());
        Windows.reset();
    }
    for (const std::string& argument : {Dir.File("missing.orv"), Dir.Path().string()}) {
        TOstrelMainForm& main = Make();
        main.OpenFileForViewing = [&opened](const std::string& name) { opened.push_back(name); };
        main.SetCommandLineArgument(argument);
        Show();
        Windows.reset();
    }
    EXPECT_EQ(opened.size(), 1u);
    // Without a viewer the argument is ignored.
    Make().SetCommandLineArgument(day);
    Show();
    EXPECT_TRUE(Notes.ErrorBoxes().empty());
}

TEST_F(MainFormTest, CloseQueryDuringAcquisitionAsksOnceAndStopsOnYes) {
    TOstrelMainForm& main = Make();
    Show();
    StartOnTerminal();
    const std::string sent = Send(0, 5);
    ASSERT_TRUE(WaitForArchive(sent));

    Notes.AnswerNext(false);
    main.close();
    EXPECT_TRUE(main.isVisible());
    EXPECT_TRUE(main.Acquiring());
    EXPECT_TRUE(Reading());

    main.close();  // answered Yes
    EXPECT_FALSE(main.isVisible());
    EXPECT_FALSE(main.Acquiring());
    EXPECT_EQ(Notes.Confirmations(), (std::vector<std::string>{"Are you sure?", "Are you sure?"}));
    EXPECT_EQ(Archive(), sent);
    EXPECT_TRUE(TProfileFile(SettingsFile).ValueExists("TOstrelMainForm", "NormPos"));
}
