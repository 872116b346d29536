#include "window/WindowProgram.h"

#include "acquisition/SerialDevices.h"
#include "station/SignalWatcher.h"
#include "window/FormatSettings.h"
#include "window/OstrelMainForm.h"
#include "window/StationWindows.h"
#include "window/WindowNotifier.h"

#include <QApplication>

#include <cstdio>

int RunWindowProgram(const TWindowProgramOptions& options) {
    FormatSettingsEnglish();
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
