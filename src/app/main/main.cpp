// Entry of the station program: the window by default, or the headless recorder.

#include "app/HeadlessRecorder.h"
#include "app/SettingsLocation.h"
#include "sim/SimulatedInstrument.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <memory>

namespace {

struct TCommandLine {
    bool Headless = false;
    bool Demo = false;
    std::string Port;
    std::string Settings;
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
    parser.addOptions({headless, demo, port, settings});
    parser.process(application);

    TCommandLine line;
    line.Headless = parser.isSet(headless);
    line.Demo = parser.isSet(demo);
    line.Port = parser.value(port).toStdString();
    line.Settings = parser.value(settings).toStdString();
    if (!parser.positionalArguments().isEmpty())
        line.FirstArgument = parser.positionalArguments().first().toStdString();
    if (line.Demo && !line.Port.empty()) {
        std::fputs("orvant3k: --demo and --port exclude each other\n", stderr);
        std::exit(2);
    }
    return line;
}

// The simulated instrument of the demo: one line a second from now on.
std::unique_ptr<TSimulatedInstrument> StartDemoInstrument() {
    TSimulatorOptions options;
    auto instrument = std::make_unique<TSimulatedInstrument>(options);
    instrument->Start();
    return instrument;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName("orvant3k");
    QCoreApplication::setApplicationVersion(ORVANT_VERSION);
    const TCommandLine commandLine = ParseCommandLine(application);

    THeadlessOptions options;
    options.SettingsFile = commandLine.Settings.empty() ? DefaultSettingsFileName(ExecutablePath())
                                                        : commandLine.Settings;
    options.PortDevice = commandLine.Port;

    std::unique_ptr<TSimulatedInstrument> demoInstrument;
    if (commandLine.Demo) {
        demoInstrument = StartDemoInstrument();
        options.PortDevice = demoInstrument->DevicePath();
    }
    if (!commandLine.Headless) {
        std::fputs("orvant3k: the window is not available in this build; use --headless\n", stderr);
        return 2;
    }
    const int exitCode = RunHeadlessRecorder(options);
    if (demoInstrument) demoInstrument->Stop();
    return exitCode;
}
