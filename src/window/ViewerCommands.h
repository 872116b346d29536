#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <string>

class QWidget;
class TDataFileViewer;
class TRecentFiles;

// The main window's file-viewing commands: "&Open file" (F3) and a chosen recent file.
//
// Open file: the open dialog (filter "ORVANT-3K files (*.orv)" or all files, starting in the
// folder of the file chosen last in this run); on a choice the file is viewed and, once it is
// shown, put on top of the recent-files list. Cancel does nothing.
// Recent file: when the file exists it is viewed and, once shown, moved to the top; when it
// cannot be opened or is not a data file it leaves the list (an abandoned load leaves the list
// as it was). When it does not exist: the box "File \r\n<name>\r\n not found :-( !" and it
// leaves the list. From the open dialog, a file that was not shown is not added.
// Both do nothing while a load runs.
// Thread rule: user-interface thread only.
class TViewerCommands : public QObject {
    Q_OBJECT

public:
    // Returns the chosen file's full name, or an empty text on Cancel; given the folder to
    // start in (empty the first time).
    using TOpenFileDialog = std::function<QString(const QString& initialFolder)>;

    // The viewer and the list must outlive this object; `window` (the parent) is the open
    // dialog's parent.
    TViewerCommands(TDataFileViewer& viewer, TRecentFiles& recentFiles, QWidget* window);

    // Replaces the file dialog (tests choose files without one).
    void SetOpenFileDialog(TOpenFileDialog dialog) { FOpenFileDialog = std::move(dialog); }
    const QString& InitialFolder() const { return FInitialFolder; }

    void OpenFileCommand();
    void RecentFileChosen(const std::string& fileName);

private:
    QString RunOpenFileDialog(const QString& initialFolder) const;

    TDataFileViewer& FViewer;
    TRecentFiles& FRecentFiles;
    QPointer<QWidget> FWindow;
    TOpenFileDialog FOpenFileDialog;
    QString FInitialFolder;
};

// "File " CR LF + name + CR LF + " not found :-( !"
std::string RecentFileNotFoundText(const std::string& fileName);
