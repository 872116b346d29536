// orvant3k-collector: records the stations of a network from an MQTT broker.

#include "station/ServiceManagerLink.h"
#include "station/SignalWatcher.h"
#include "station/StationLog.h"
#include "collector/CollectorCommandLine.h"
#include "network/Collector.h"
#include "network/OutputFolderLock.h"
#include "network/PasswordFile.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <sys/resource.h>

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName("orvant3k-collector");
    QCoreApplication::setApplicationVersion(ORVANT_VERSION);
    TCollectorCommandLine line = ParseCollectorCommandLine(QCoreApplication::arguments());
    if (line.ExitCode >= 0) {
        std::fputs(line.Message.c_str(), line.ExitCode == 0 ? stdout : stderr);
        return line.ExitCode;
    }
    // An archive and up to three derived files open per station: a large network needs more
    // than the default 1024 files.
    rlimit files{};
    if (::getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
        files.rlim_cur = files.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &files);
    }
    // A file grown past the process's size limit is a failed write to report and retry, as a
    // full disk is, not a reason to die.
    std::signal(SIGXFSZ, SIG_IGN);
    TStationLog log;
    std::unique_ptr<TOutputFolderLock> lock;
    try {
        if (!line.PasswordFile.empty()) line.Options.Endpoint.Password = ReadPasswordFile(line.PasswordFile);
        std::filesystem::create_directories(line.Options.OutDirectory);
        lock = std::make_unique<TOutputFolderLock>(line.Options.OutDirectory);
    } catch (const std::exception& error) {
        log.Line(std::string("error: ") + error.what(), TLogPriority::Error);
        return 1;
    }
    int exitCode = 0;
    {
        TCollector collector(line.Options, [&log](const std::string& text, TLogPriority priority) {
            log.Line(text, priority);
        });
        // Under systemd: ready once subscribed, the watchdog pinged from the event loop.
        TServiceManagerLink service([&collector] {
            return "collecting: " + std::to_string(collector.LinesRecorded()) + " lines from " +
                   std::to_string(collector.StationCount()) + " stations";
        });
        TSignalWatcher stopSignals;
        QObject::connect(&stopSignals, &TSignalWatcher::StopRequested,
                         [&log, &service](int signalNumber) {
                             service.Stopping();
                             log.Line("stop requested by signal " + std::to_string(signalNumber) +
                                          "; draining",
                                      TLogPriority::Notice);
                             QCoreApplication::quit();
                         });
        try {
            collector.Start();
        } catch (const std::exception& error) {
            log.Line(std::string("error: ") + error.what(), TLogPriority::Error);
            return 1;
        }
        log.Line("collecting into " + line.Options.OutDirectory);
        service.Ready();
        QCoreApplication::exec();
        collector.Drain();
        log.Line("stopped: " + std::to_string(collector.LinesRecorded()) + " lines recorded from " +
                     std::to_string(collector.StationCount()) + " stations",
                 TLogPriority::Notice);
    }
    return exitCode;
}
