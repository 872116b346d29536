#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <string>

class QMenu;
class TRecentFiles;

// Shows the recent-files list in the main window's "&Recent files..." menu: one item per name,
// in list order, captioned "&1\t<name>" .. "&9\t<name>", "&A\t<name>". The menu is rebuilt at
// every change of the list; its own item is enabled only while the list has a name and no
// acquisition runs. Choosing an item emits Chosen with its name, from the event loop once the
// menu has closed.
// Thread rule: user-interface thread only.
class TRecentFilesMenu : public QObject {
    Q_OBJECT

public:
    // The menu and the list stay the caller's; the list must outlive this object.
    TRecentFilesMenu(QMenu* menu, TRecentFiles& files, QObject* parent = nullptr);
    ~TRecentFilesMenu() override;

    // While acquiring the menu item stays disabled.
    void SetAcquiring(bool acquiring);
    bool Acquiring() const { return FAcquiring; }

    // Fills the menu from the list again; runs by itself whenever the list changes.
    void Rebuild();

signals:
    void Chosen(const std::string& fileName);

private:
    void UpdateEnabled();

    QPointer<QMenu> FMenu;
    TRecentFiles& FFiles;
    bool FAcquiring = false;
};

// "&" + accelerator ("1".."9", then "A") + tab + the name, an "&" in the name doubled so that it
// shows as itself rather than marking a second accelerator.
QString RecentFileCaption(int index, const std::string& fileName);
