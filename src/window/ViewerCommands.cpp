#include "window/ViewerCommands.h"

#include "acquisition/Notifier.h"
#include "settings/RecentFiles.h"
#include "window/DataFileViewer.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QWidget>

#include <filesystem>

namespace {

const char* const DataFileFilter = "ORVANT-3K files (*.orv);;All files (*)";

}  // namespace

TViewerCommands::TViewerCommands(TDataFileViewer& viewer, TRecentFiles& recentFiles,
                                 QWidget* window)
    : QObject(window), FViewer(viewer), FRecentFiles(recentFiles), FWindow(window) {}

QString TViewerCommands::RunOpenFileDialog(const QString& initialFolder) const {
    if (FOpenFileDialog)
        return FOpenFileDialog(initialFolder);
    return QFileDialog::getOpenFileName(FWindow, tr("Open"), initialFolder,
                                        QString::fromLatin1(DataFileFilter));
}

void TViewerCommands::OpenFileCommand() {
    if (FViewer.Loading())
        return;
    const QString chosen = RunOpenFileDialog(FInitialFolder);
    if (chosen.isEmpty())
        return;
    FInitialFolder = QFileInfo(chosen).absolutePath();
    QPointer<TViewerCommands> self(this);
    FViewer.ViewDataFile(chosen.toStdString(), [self](TViewOutcome outcome) {
        if (self && outcome == TViewOutcome::Viewed)
            self->FRecentFiles.Add(self->FViewer.ViewedFileName());
    });
}

void TViewerCommands::RecentFileChosen(const std::string& fileName) {
    if (FViewer.Loading())
        return;
    std::error_code ignored;
    if (!std::filesystem::exists(fileName, ignored)) {
        Notifier().ErrorBox(RecentFileNotFoundText(fileName));
        FRecentFiles.Remove(fileName);
        return;
    }
    // The name stays listed while the file loads, so that a load abandoned at the window's
    // close or at a start of acquisition does not lose it.
    QPointer<TViewerCommands> self(this);
    FViewer.ViewDataFile(fileName, [self, fileName](TViewOutcome outcome) {
        if (!self)
            return;
        if (outcome == TViewOutcome::Viewed)
            self->FRecentFiles.Add(fileName);
        else if (outcome == TViewOutcome::CannotOpen || outcome == TViewOutcome::NotADataFile)
            self->FRecentFiles.Remove(fileName);
    });
}

std::string RecentFileNotFoundText(const std::string& fileName) {
    return "File \r\n" + fileName + "\r\n not found :-( !";
}
