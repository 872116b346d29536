// The main window's file viewing: "&Open file", the recent-files menu and the command-line file.

#include "window/DataFileViewer.h"
#include "window/OstrelMainForm.h"
#include "window/RecentFilesMenu.h"
#include "window/ViewerCommands.h"

#include <QAction>

void TOstrelMainForm::ConnectViewer() {
    FViewer = new TDataFileViewer(*FGraphs, FProgressBar, this);
    connect(FViewer, &TDataFileViewer::FileShown, this,
            [this](const std::string& name) { ShowFileInCaption(name); });
    FRecentFilesMenu = new TRecentFilesMenu(FRecentfiles1, FRecentFiles, this);
    FViewerCommands = new TViewerCommands(*FViewer, FRecentFiles, this);
    connect(FOpen1, &QAction::triggered, FViewerCommands, &TViewerCommands::OpenFileCommand);
    connect(FRecentFilesMenu, &TRecentFilesMenu::Chosen, FViewerCommands,
            &TViewerCommands::RecentFileChosen);
    OpenFileForViewing = [this](const std::string& name) { FViewer->ViewDataFile(name); };
}
