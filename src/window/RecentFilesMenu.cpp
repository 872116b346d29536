#include "window/RecentFilesMenu.h"

#include "settings/RecentFiles.h"

#include <QAction>
#include <QMenu>

TRecentFilesMenu::TRecentFilesMenu(QMenu* menu, TRecentFiles& files, QObject* parent)
    : QObject(parent), FMenu(menu), FFiles(files) {
    FFiles.SetChangeHandler([this] { Rebuild(); });
    Rebuild();
}

TRecentFilesMenu::~TRecentFilesMenu() { FFiles.SetChangeHandler({}); }

void TRecentFilesMenu::SetAcquiring(bool acquiring) {
    FAcquiring = acquiring;
    UpdateEnabled();
}

void TRecentFilesMenu::Rebuild() {
    if (!FMenu)
        return;
    FMenu->clear();
    int index = 0;
    for (const std::string& name : FFiles.Names()) {
        QAction* item = FMenu->addAction(RecentFileCaption(index++, name));
        // Emitted once the menu has finished with the item: the command changes the list, and
        // the rebuild deletes the item. The name travels by value for the same reason.
        connect(item, &QAction::triggered, this, [this, name] {
            QMetaObject::invokeMethod(this, [this, name] { emit Chosen(name); },
                                      Qt::QueuedConnection);
        });
    }
    UpdateEnabled();
}

void TRecentFilesMenu::UpdateEnabled() {
    if (FMenu)
        FMenu->menuAction()->setEnabled(!FAcquiring && !FFiles.Empty());
}

QString RecentFileCaption(int index, const std::string& fileName) {
    const QChar accelerator = index < 9 ? QChar(u'1' + index) : QChar(u'A' + (index - 9));
    QString name = QString::fromStdString(fileName);
    name.replace(u'&', QStringLiteral("&&"));
    return QStringLiteral("&") + accelerator + u'\t' + name;
}
