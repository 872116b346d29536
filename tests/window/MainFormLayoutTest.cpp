// The main window as the user meets it: menu items with their captions, shortcuts and states,
// the tool bar and status bar, and how the controls follow the acquisition state.

#include "MainFormFixture.h"

#include "ui/Zoomler.h"

#include <QMenuBar>
#include <QProgressBar>
#include <QStatusBar>

namespace {

struct TItem {
    const char* Name;
    const char* Caption;
    QKeySequence Shortcut;
    bool Enabled;
};

// The items of a menu as "name" in order, separators included.
std::vector<std::string> ItemNames(const QMenu* menu) {
    std::vector<std::string> names;
    for (const QAction* action : menu->actions()) {
        if (action->menu())
            names.push_back(action->menu()->objectName().toStdString());
        else
            names.push_back(action->objectName().toStdString());
    }
    return names;
}

}  // namespace

TEST_F(MainFormTest, MenuHoldsEveryItemWithItsCaptionShortcutAndStartingState) {
    TOstrelMainForm& main = Make();
    QMenuBar* bar = main.menuBar();
    ASSERT_EQ(bar->actions().size(), 4);
    EXPECT_EQ(bar->actions()[0]->menu(), main.File1());
    EXPECT_EQ(bar->actions()[1]->menu(), main.Commands1());
    EXPECT_EQ(bar->actions()[2]->menu(), main.Intermagnet1());
    EXPECT_EQ(bar->actions()[3], main.Options1());
    EXPECT_EQ(main.Options1()->menu(), nullptr);
    EXPECT_EQ(main.File1()->title(), "&File");
    EXPECT_EQ(main.Commands1()->title(), "&Commands");
    EXPECT_EQ(main.Intermagnet1()->title(), "&Intermagnet");

    EXPECT_EQ(ItemNames(main.File1()),
              (std::vector<std::string>{"Open1", "Recentfiles1", "ConvertArchive1", "CancelConversion1",
                                        "N1", "Exit1"}));
    EXPECT_EQ(ItemNames(main.Commands1()),
              (std::vector<std::string>{"StartAcquisitionMenu", "StopAcquisitionMenu", "N2",
                                        "ArrangeGraphs", "Cleargraph1", "N3", "Showtextdata1"}));
    EXPECT_EQ(ItemNames(main.Intermagnet1()), (std::vector<std::string>{"Showdata1", "Parameters1"}));
    for (const char* separator : {"N1", "N2", "N3"}) {
        const auto* action = main.findChild<QAction*>(separator);
        ASSERT_NE(action, nullptr) << separator;
        EXPECT_TRUE(action->isSeparator());
    }

    const TItem items[] = {
        {"Open1", "&Open file", QKeySequence(Qt::Key_F3), true},
        {"ConvertArchive1", "&Convert archive...", {}, true},
        {"CancelConversion1", "C&ancel conversion", {}, false},
        {"Exit1", "E&xit", {}, true},
        {"StartAcquisitionMenu", "&Start acquisition", QKeySequence(Qt::Key_F5), true},
        {"StopAcquisitionMenu", "St&op acquisition", {}, false},
        {"ArrangeGraphs", "&Arrange graphs", QKeySequence(Qt::CTRL | Qt::Key_A), true},
        {"Cleargraph1", "&Clear graph", QKeySequence(Qt::CTRL | Qt::Key_C), true},
        {"Showtextdata1", "Show &text data", QKeySequence(Qt::CTRL | Qt::Key_T), true},
        {"Showdata1", "Show incoming data", {}, true},
        {"Parameters1", "Header parameters", {}, true},
        {"Options1", "&Options", {}, true},
    };
    for (const TItem& item : items) {
        const auto* action = main.findChild<QAction*>(QString::fromLatin1(item.Name));
        ASSERT_NE(action, nullptr) << item.Name;
        EXPECT_EQ(action->text(), QString::fromLatin1(item.Caption)) << item.Name;
        EXPECT_EQ(action->shortcut(), item.Shortcut) << item.Name;
        EXPECT_EQ(action->isEnabled(), item.Enabled) << item.Name;
    }
    EXPECT_EQ(main.Recentfiles1()->title(), "&Recent files...");
    EXPECT_FALSE(main.Recentfiles1()->menuAction()->isEnabled());
}

TEST_F(MainFormTest, ToolBarAndStatusBarAreAsDesignedAndScaledToTheScreen) {
    TOstrelMainForm& main = Make();
    EXPECT_EQ(main.windowTitle(), "ORVANT-3K");
    const double scale = main.screen()->logicalDotsPerInchY() / 120.0;
    EXPECT_DOUBLE_EQ(main.ScaleFactor(), scale);
    EXPECT_EQ(main.ToolBarPanel()->height(), std::lround(49 * scale));

    EXPECT_EQ(main.StartStopBtn()->text(), "Start");
    EXPECT_EQ(main.StartStopBtn()->toolTip(), "Start / stop acquisition");
    const char* captions[] = {"Bx", "By", "Bz", "Ex", "Ey"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(main.CheckBox(i)->text(), captions[i]);
        EXPECT_TRUE(main.CheckBox(i)->isChecked());
        EXPECT_EQ(main.findChild<QCheckBox*>(QStringLiteral("CheckBox%1").arg(i)), main.CheckBox(i));
    }
    EXPECT_EQ(main.BitBtn1()->text(), "Arrange");
    EXPECT_EQ(main.BitBtn1()->toolTip(), "Equalize height of all grpahs");
    EXPECT_EQ(main.ClearBtn()->text(), "Clear");
    EXPECT_EQ(main.ClearBtn()->toolTip(), "Clear all graphs");
    EXPECT_EQ(main.CrossMouseCB()->text(), "Mouse");
    EXPECT_FALSE(main.CrossMouseCB()->isChecked());

    Show();
    EXPECT_EQ(main.StatusPanel(0)->width(), std::lround(500 * scale));
    EXPECT_EQ(main.StatusPanel(1)->width(), std::lround(50 * scale));
    QProgressBar* progress = main.ProgressBar();
    EXPECT_EQ(progress->objectName(), "ProgressBar");
    EXPECT_EQ(progress->minimum(), 0);
    EXPECT_EQ(progress->maximum(), 100);
    EXPECT_EQ(progress->value(), 0);
    EXPECT_TRUE(progress->isVisible());
    // At the left edge of panel 1, 2 from the top of the status bar.
    const QPoint corner = progress->mapTo(main.StatusBar1(), QPoint(0, 0));
    EXPECT_EQ(corner.x(), main.StatusPanel(1)->mapTo(main.StatusBar1(), QPoint(0, 0)).x());
    EXPECT_EQ(progress->width(), main.StatusPanel(1)->width());
    EXPECT_EQ(corner.y() - main.StatusPanel(1)->mapTo(main.StatusBar1(), QPoint(0, 0)).y(), 2);

    // Panel 0 shows the mouse readout.
    emit main.Graphs()->ReadoutChanged(QStringLiteral("Time: 12:00:00, 1, 2"));
    EXPECT_EQ(main.ReadoutPanel()->text(), "Time: 12:00:00, 1, 2");
}

TEST_F(MainFormTest, ControlsFollowIdleAndAcquiring) {
    TOstrelMainForm& main = Make();
    Show();
    main.CrossMouseCB()->setChecked(true);
    EXPECT_TRUE(main.Graphs()->MouseReadout());
    StartOnTerminal();
    EXPECT_TRUE(main.Acquiring());
    EXPECT_EQ(main.StartStopBtn()->text(), "Stop");
    EXPECT_FALSE(main.StartAcquisitionMenu()->isEnabled());
    EXPECT_TRUE(main.StopAcquisitionMenu()->isEnabled());
    for (QAction* action : {main.Open1(), main.Options1(), main.Parameters1(),
                            main.Recentfiles1()->menuAction()})
        EXPECT_FALSE(action->isEnabled()) << action->objectName().toStdString();
    EXPECT_FALSE(main.Graphs()->DataZoomler()->isVisible());
    for (int g = 0; g < 5; ++g) EXPECT_FALSE(main.Graphs()->Zoomler(g)->isVisible());
    // The readout rests while acquiring, whatever "Mouse" says.
    EXPECT_TRUE(main.Graphs()->Acquiring());
    EXPECT_FALSE(main.ViewMode());

    main.StopAcquisition(false);
    EXPECT_FALSE(main.Acquiring());
    EXPECT_EQ(main.StartStopBtn()->text(), "Start");
    EXPECT_TRUE(main.StartAcquisitionMenu()->isEnabled());
    EXPECT_FALSE(main.StopAcquisitionMenu()->isEnabled());
    for (QAction* action : {main.Open1(), main.Options1(), main.Parameters1()})
        EXPECT_TRUE(action->isEnabled()) << action->objectName().toStdString();
    EXPECT_TRUE(main.Graphs()->DataZoomler()->isVisible());
    for (int g = 0; g < 5; ++g) EXPECT_TRUE(main.Graphs()->Zoomler(g)->isVisible());
    EXPECT_FALSE(main.Graphs()->Acquiring());
    EXPECT_EQ(main.Run(), nullptr);
}

TEST_F(MainFormTest, RecentFilesItemIsEnabledOnlyWhileIdleWithAnEntry) {
    TOstrelMainForm& main = Make();
    Show();
    QAction* item = main.Recentfiles1()->menuAction();
    EXPECT_FALSE(item->isEnabled());
    main.RecentFiles().Add("day.orv");
    EXPECT_TRUE(item->isEnabled());
    StartOnTerminal();
    EXPECT_FALSE(item->isEnabled());
    main.StopAcquisition(false);
    EXPECT_TRUE(item->isEnabled());
    main.RecentFiles().Remove("day.orv");
    EXPECT_FALSE(item->isEnabled());
}

TEST_F(MainFormTest, StartStopCommandRunsFromTheButtonAndBothMenuItems) {
    TOstrelMainForm& main = Make();
    Show();
    main.StartStopBtn()->click();
    ASSERT_TRUE(ProcessEventsUntil([this] { return Reading(); }, 10000));
    // Stopping asks first; No keeps the run.
    Notes.AnswerNext(false);
    main.StopAcquisitionMenu()->trigger();
    EXPECT_TRUE(main.Acquiring());
    main.StartStopBtn()->click();
    EXPECT_FALSE(main.Acquiring());
    EXPECT_EQ(Notes.Confirmations(), (std::vector<std::string>{"Are you sure?", "Are you sure?"}));

    main.StartAcquisitionMenu()->trigger();
    ASSERT_TRUE(ProcessEventsUntil([this] { return Reading(); }, 10000));
    main.StopAcquisition(false);
    EXPECT_TRUE(Notes.ErrorBoxes().empty());
}
