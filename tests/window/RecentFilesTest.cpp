// The recent-files list: its order rules, its place in the settings file and its menu.

#include "../ui/TestApplication.h"
#include "TempDir.h"

#include "acquisition/ProfileFile.h"
#include "settings/RecentFiles.h"
#include "window/RecentFilesMenu.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>

#include <string>
#include <vector>

namespace {

using TNames = std::vector<std::string>;

std::string Name(int n) { return "/data/day" + std::to_string(n) + ".orv"; }

TRecentFiles ListOf(const TNames& newestFirst) {
    TRecentFiles files;
    for (auto name = newestFirst.rbegin(); name != newestFirst.rend(); ++name)
        files.Add(*name);
    return files;
}

QStringList Captions(const QMenu& menu) {
    QStringList captions;
    for (const QAction* item : menu.actions())
        captions << item->text();
    return captions;
}

}  // namespace

TEST(RecentFiles, NewestFirstWithoutDuplicatesAndAtMostTen) {
    TRecentFiles files = ListOf({Name(1), Name(2), Name(3)});
    files.Add(Name(3));  // a name already listed moves to the top
    EXPECT_EQ(files.Names(), (TNames{Name(3), Name(1), Name(2)}));
    files.Add("/data/DAY1.orv");  // names compare as exact texts
    for (int n = 4; n <= 10; ++n)  // the eleventh name
        files.Add(Name(n));
    ASSERT_EQ(files.Count(), 10u);
    EXPECT_EQ(files.Names().front(), Name(10));
    EXPECT_FALSE(files.Contains(Name(2)));  // the oldest went
    EXPECT_TRUE(files.Contains(Name(1)));

    EXPECT_TRUE(files.Remove(Name(1)));
    EXPECT_FALSE(files.Contains(Name(1)));
}

TEST(RecentFiles, SavedNewestAsItem0AndRestoredInTheSameOrder) {
    TTempDir dir;
    TProfileFile settings(dir.File("station.ini"));
    // A stale longer list and a hand-edited duplicate must not survive a save.
    settings.WriteString("TOstrelMainForm.MRU_DATA", "Item_7", "/old/stale.orv");
    settings.WriteString("Options", "MaxPointsOnScreen", "100");

    const TRecentFiles saved = ListOf({Name(1), "/data/a b & c.orv", Name(3)});
    saved.Save(settings);
    EXPECT_EQ(settings.ReadSection("tostrelmainform.mru_data"),
              (TNames{"Item_0", "Item_1", "Item_2"}));
    EXPECT_EQ(settings.ReadString("TOstrelMainForm.MRU_DATA", "Item_0", ""), Name(1));
    EXPECT_EQ(settings.ReadString("Options", "MaxPointsOnScreen", ""), "100");

    TRecentFiles restored = ListOf({Name(9)});
    restored.Load(TProfileFile(dir.File("station.ini")));
    EXPECT_EQ(restored.Names(), saved.Names());

    // Gaps and empty items are skipped; of a name listed twice the newer place wins.
    settings.WriteString("TOstrelMainForm.MRU_DATA", "Item_1", "");
    settings.WriteString("TOstrelMainForm.MRU_DATA", "Item_5", Name(1));
    settings.WriteString("TOstrelMainForm.MRU_DATA", "Item_9", Name(9));
    restored.Load(settings);
    EXPECT_EQ(restored.Names(), (TNames{Name(1), Name(3), Name(9)}));
}

TEST(RecentFilesMenu, CaptionsAcceleratorsStateAndChoice) {
    TestApplication();
    QMenu menu(QStringLiteral("&Recent files..."));
    TRecentFiles files;
    TRecentFilesMenu recent(&menu, files);
    EXPECT_FALSE(menu.menuAction()->isEnabled());

    for (int n = 10; n >= 1; --n)
        files.Add(n == 10 ? std::string("/data/R&D.orv") : Name(n));
    const QStringList captions = Captions(menu);
    ASSERT_EQ(captions.size(), 10);
    EXPECT_EQ(captions[0], QStringLiteral("&1\t/data/day1.orv"));
    EXPECT_EQ(captions[8], QStringLiteral("&9\t/data/day9.orv"));
    EXPECT_EQ(captions[9], QStringLiteral("&A\t/data/R&&D.orv"));
    EXPECT_TRUE(menu.menuAction()->isEnabled());

    recent.SetAcquiring(true);
    files.Add(Name(11));  // a change while acquiring leaves the menu disabled
    EXPECT_FALSE(menu.menuAction()->isEnabled());
    recent.SetAcquiring(false);

    // The chosen name arrives after the menu has finished; the command may then change the list.
    std::vector<std::string> chosen;
    QObject::connect(&recent, &TRecentFilesMenu::Chosen, [&](const std::string& name) {
        chosen.push_back(name);
        files.Remove(name);
    });
    menu.actions()[2]->trigger();
    EXPECT_TRUE(chosen.empty());
    QCoreApplication::processEvents();
    EXPECT_EQ(chosen, TNames{Name(2)});
    EXPECT_EQ(Captions(menu).size(), 9);

    files.Clear();
    EXPECT_TRUE(menu.actions().isEmpty());
    EXPECT_FALSE(menu.menuAction()->isEnabled());
}
