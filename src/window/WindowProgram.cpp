#include "window/WindowProgram.h"

#include "acquisition/SerialDevices.h"
#include "station/SignalWatcher.h"
#include "window/FormatSettings.h"
#include "window/OstrelMainForm.h"
#include "window/StationWindows.h"
#include "window/WindowNotifier.h"

#include "acquisition/ProfileFile.h"
#include "settings/SettingsKeys.h"

#include <QApplication>
#include <QLabel>
#include <QStandardPaths>
#include <QStatusBar>

#include <cstdio>
#include <filesystem>

namespace {

std::string ChosenDataFolder(const TWindowProgramOptions& options) {
    if (!options.DataFolder.empty()) return options.DataFolder;
    namespace O = SettingsKeys::Options;
    const std::string fromSettings =
        TProfileFile(options.SettingsFile).ReadString(O::Section, O::DataFolder, "");
    if (!fromSettings.empty()) return fromSettings;
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation).toStdString();
}

// Enters the data folder, made when missing; the working folder stays when it cannot be used.
// A file to view named relative to where the program started keeps pointing at that file.
std::string EnterDataFolder(TWindowProgramOptions& options) {
    namespace fs = std::filesystem;
    std::error_code error;
    if (!options.FirstArgument.empty() && fs::exists(options.FirstArgument, error))
        options.FirstArgument = fs::absolute(options.FirstArgument, error).string();
    const std::string folder = ChosenDataFolder(options);
    if (!folder.empty()) {
        fs::create_directories(folder, error);
        if (!error) fs::current_path(folder, error);
        if (error)
            std::fprintf(stderr,
                         "orvant3k: the data folder %s cannot be used (%s); recording in %s\n",
                         folder.c_str(), error.message().c_str(), fs::current_path().c_str());
    }
    return fs::current_path(error).string();
}

}  // namespace

int RunWindowProgram(const TWindowProgramOptions& givenOptions) {
    FormatSettingsEnglish();
    TWindowProgramOptions options = givenOptions;
    const std::string dataFolder = EnterDataFolder(options);
    // For this run only: nothing about the override reaches the settings file.
    SetSerialOverride(options.PortDevice);
    int exitCode = 0;
    {
        TStationWindows windows(options.SettingsFile);
        TOstrelMainForm& main = windows.Main();
        TWindowNotifier notifier(&main);
        notifier.SetBoxParent(&main);
        notifier.SetReportSink(
            [&main](TReportKind kind, const std::string& text) { main.ShowReport(kind, text); });
        main.SetCommandLineArgument(options.FirstArgument);
        auto* dataFolderLabel = new QLabel(QString::fromStdString("Data: " + dataFolder));
        dataFolderLabel->setObjectName(QStringLiteral("DataFolderLabel"));
        main.statusBar()->addPermanentWidget(dataFolderLabel);

        TSignalWatcher stopSignals;
        QObject::connect(&stopSignals, &TSignalWatcher::StopRequested, &main, [&main](int signal) {
            std::fprintf(stderr, "orvant3k: stop requested by signal %d\n", signal);
            std::fflush(stderr);
            main.RequestShutdown();
        });

        // The first showing restores the settings (a box may come up there already).
        main.show();
        if (!main.ShutdownRequested()) exitCode = QApplication::exec();
        main.FinishShutdown();
        std::fputs("orvant3k: closed\n", stderr);
    }
    SetSerialOverride("");
    return exitCode;
}
