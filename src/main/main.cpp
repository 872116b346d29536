// Entry of the station program: the window by default, or the headless recorder.

#include "station/HeadlessRecorder.h"
#include "station/SettingsCheck.h"
#include "settings/SettingsLocation.h"
#include "instrument/SimulatedInstrument.h"

#ifdef ORVANT_HAS_WINDOW
#include "window/WindowProgram.h"

#include <QApplication>
#endif

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

namespace {

struct TCommandLine {
    bool Headless = false;
    bool Demo = false;
    bool CheckSettings = false;
    std::string Port;
    std::string Settings;
    std::string DataFolder;
    std::string FirstArgument;  // "START" or a file to view
};

TCommandLine ParseCommandLine(const QCoreApplication& application) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "ORVANT-3K magnetometer station: records the instrument's lines in daily archive files "
        "and INTERMAGNET files, and plots them.");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument("START|FILE",
                                 "START starts acquisition at once; a file name opens it for "
                                 "viewing.",
                                 "[START | FILE]");
    const QCommandLineOption headless("headless",
                                      "Record without windows in the working directory until "
                                      "SIGINT or SIGTERM.");
    const QCommandLineOption demo("demo",
                                  "Use the built-in simulated instrument as the port for this "
                                  "run, and start acquisition.");
    const QCommandLineOption port("port", "Use this serial device for this run.", "DEVICE");
    const QCommandLineOption settings("settings", "Read (and write) this settings file.", "FILE");
    const QCommandLineOption checkSettings(
        "check-settings",
        "Read the settings file as a run would, print what the run would do and every problem "
        "in it, and exit with 1 if there is any.");
    const QCommandLineOption data("data",
                                  "Put the ARCHIVE, INTERMAGNET and IAGA2002 folders in this "
                                  "folder (default: [Options] DataFolder of the settings, else "
                                  "the documents folder for the window and the working folder "
                                  "for --headless).",
                                  "DIR");
    parser.addOptions({headless, demo, port, settings, checkSettings, data});
    parser.process(application);

    TCommandLine line;
    line.Headless = parser.isSet(headless);
    line.Demo = parser.isSet(demo);
    line.CheckSettings = parser.isSet(checkSettings);
    line.Port = parser.value(port).toStdString();
    line.Settings = parser.value(settings).toStdString();
    line.DataFolder = parser.value(data).toStdString();
    if (!parser.positionalArguments().isEmpty())
        line.FirstArgument = parser.positionalArguments().first().toStdString();
    if (line.Demo && !line.Port.empty()) {
        std::fputs("orvant3k: --demo and --port exclude each other\n", stderr);
        std::exit(2);
    }
    return line;
}

// Runs without a window (and so without a display): the headless recorder, and the answers to
// --help and --version.
bool RunsWithoutWindow(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (std::strcmp(argument, "--") == 0) break;
        for (const char* option : {"--headless", "-headless", "--check-settings", "-check-settings",
                                   "--help", "-help", "-h", "--help-all",
                                   "--version", "-version", "-v", "-?"})
            if (std::strcmp(argument, option) == 0) return true;
    }
    return false;
}

#ifdef ORVANT_HAS_WINDOW
// Qt aborts with a list of its platform plugins when no display can be reached; say what to do.
bool DisplayReachable() {
    for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(variable);
        if (value && *value) return true;
    }
    return false;
}
#endif

// The simulated instrument of the demo: one line a second from now on.
std::unique_ptr<TSimulatedInstrument> StartDemoInstrument() {
    TSimulatorOptions options;
    auto instrument = std::make_unique<TSimulatedInstrument>(options);
    instrument->Start();
    std::fprintf(stderr, "orvant3k: demo instrument on %s\n", instrument->DevicePath().c_str());
    return instrument;
}

int RunStation(const TCommandLine& commandLine) {
    // Absolute, since the station works in its data folder once it has read the settings.
    std::error_code ignored;
    const std::string settingsFile =
        commandLine.Settings.empty()
            ? DefaultSettingsFileName(ExecutablePath())
            : std::filesystem::absolute(commandLine.Settings, ignored).string();
    std::string portDevice = commandLine.Port;
    if (commandLine.CheckSettings)
        return CheckStationSettings(settingsFile, portDevice, commandLine.DataFolder, stdout);
    std::unique_ptr<TSimulatedInstrument> demoInstrument;
    if (commandLine.Demo) {
        try {
            demoInstrument = StartDemoInstrument();
        } catch (const std::exception& error) {
            std::fprintf(stderr, "orvant3k: the demo instrument could not start: %s\n", error.what());
            return 1;
        }
        portDevice = demoInstrument->DevicePath();
    }

    int exitCode = 0;
    if (commandLine.Headless) {
        THeadlessOptions options;
        options.SettingsFile = settingsFile;
        options.PortDevice = portDevice;
        options.DataFolder = commandLine.DataFolder;
        exitCode = RunHeadlessRecorder(options);
    } else {
#ifdef ORVANT_HAS_WINDOW
        TWindowProgramOptions options;
        options.SettingsFile = settingsFile;
        options.PortDevice = portDevice;
        options.DataFolder = commandLine.DataFolder;
        // The demo records from the start.
        options.FirstArgument = commandLine.Demo ? std::string("START") : commandLine.FirstArgument;
        exitCode = RunWindowProgram(options);
#else
        std::fputs("orvant3k: the window is not available in this build; use --headless\n", stderr);
        exitCode = 2;
#endif
    }
    // Stopped after the run: the reader has closed the port by now.
    if (demoInstrument) demoInstrument->Stop();
    return exitCode;
}

}  // namespace

int main(int argc, char* argv[]) {
    std::unique_ptr<QCoreApplication> application;
#ifdef ORVANT_HAS_WINDOW
    if (!RunsWithoutWindow(argc, argv)) {
        if (!DisplayReachable()) {
            std::fputs("orvant3k: no display for the window; use --headless to record without "
                       "one, or QT_QPA_PLATFORM=offscreen\n",
                       stderr);
            return 2;
        }
        application = std::make_unique<QApplication>(argc, argv);
    }
#endif
    if (!application) application = std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName("orvant3k");
    QCoreApplication::setApplicationVersion(ORVANT_VERSION);
    return RunStation(ParseCommandLine(*application));
}
