// The main window's file viewing as the user reaches it: "&Open file", the recent-files menu
// kept in the settings file, and a file named on the command line.

#include "MainFormFixture.h"

#include "window/DataFileViewer.h"
#include "window/ViewerCommands.h"

#include <QAction>
#include <QMenu>

namespace {

// A day file of `count` lines, one second apart.
std::string WriteDayFile(const TTempDir& dir, const std::string& name, int count) {
    std::string text;
    for (int i = 0; i < count; ++i)
        text += InstrumentLine(EncodeDateTime(2024, 1, 5, 0, 0, 0), i) + "\r\n";
    WriteWholeFile(dir.File(name), text);
    return dir.File(name);
}

}  // namespace

TEST_F(MainFormTest, OpenFileViewsItAndTheRecentListSurvivesARestart) {
    const std::string day = WriteDayFile(Dir, "day.orv", 50);
    {
        TOstrelMainForm& main = Make();
        Show();
        main.ViewerCommands().SetOpenFileDialog([&day](const QString&) {
            return QString::fromStdString(day);
        });
        main.Open1()->trigger();
        ASSERT_TRUE(ProcessEventsUntil([&main] { return main.Graphs()->PointCount(0, 0) == 50; }, 10000));
        EXPECT_EQ(main.windowTitle().toStdString(), "<ORVANT-3K>    File: " + day);
        EXPECT_TRUE(main.ViewMode());
        EXPECT_TRUE(main.Recentfiles1()->menuAction()->isEnabled());
        main.close();
    }
    Windows.reset();
    TOstrelMainForm& again = Make();
    Show();
    ASSERT_EQ(again.Recentfiles1()->actions().size(), 1);
    EXPECT_EQ(again.Recentfiles1()->actions()[0]->text().toStdString(), "&1\t" + day);
    // Starting acquisition disables the list and ends view mode.
    StartOnTerminal();
    EXPECT_FALSE(again.Recentfiles1()->menuAction()->isEnabled());
    EXPECT_FALSE(again.ViewMode());
    again.StopAcquisition(false);
    EXPECT_TRUE(again.Recentfiles1()->menuAction()->isEnabled());
}

TEST_F(MainFormTest, AFileNamedOnTheCommandLineIsViewedAtTheFirstShowing) {
    const std::string day = WriteDayFile(Dir, "day.orv", 20);
    TOstrelMainForm& main = Make();
    main.SetCommandLineArgument(day);
    Show();
    ASSERT_TRUE(ProcessEventsUntil([&main] { return main.Graphs()->PointCount(4, 4) == 20; }, 10000));
    EXPECT_EQ(main.ViewedFileName(), day);
}
