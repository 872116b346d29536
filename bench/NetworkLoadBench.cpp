// Load of a station network on one collector: N simulated stations (support/WireStations: each
// its own MQTT connection, behaving on the wire as a station's publisher, all on one thread of
// a generator process), one line a second each, published on a mosquitto started here
// (127.0.0.1, a free port, configured as the network guide advises for thousands of stations) to
// the built orvant3k-collector. After a warm-up, for the steady part it prints:
// - lines a second the stations recorded and the collector wrote to its archives, and whether
//   every line recorded reached them (counted in the archive files, 63 bytes a line; the
//   archives of the timed stations compared byte for byte);
// - the CPU share of one core of the collector, the broker, the generator and this bench, and of
//   everything else on the machine; the collector's resident memory;
// - latency from a line's recording at the station to its appearance in the collector's
//   archive (median, 99th percentile), sampled on 100 stations, in the steady part and, apart,
//   in the warm-up, when every station is new to the collector at once;
// - with --outage S: the broker is killed, the stations go on recording for S s (and reconnect
//   with back-off), the broker comes back, and the time until the collector holds every line
//   recorded before its return is measured while live lines go on.
//
// The stations' descriptions ask for no INTERMAGNET, IAGA-2002 or ImagCDF files (--archive-only,
// the default): the collector then holds one file per station, as 10,000 stations need where
// the open-file limit is 20,000. --derived-files asks for INTERMAGNET one-minute values with the
// 91-coefficient filter and both IAGA-2002 products, as in the guide's 1,000-station figures.
// --processes P spreads the stations over P generator processes; --keep keeps the bench's
// folder (collector's output and log, broker's log) and prints where it is.
//
// The collector replaces a position file per station every few seconds (a new inode each time):
// on ext4 without a journal, right after many files were removed (the previous run's folder),
// allocating inodes scans the recently deleted ones: its file saver's CPU share nearly doubles
// and the warm-up's latency grows tenfold; the collector's threads are printed apart.
//
// The collector is the one built beside this program (<build>/tools/orvant3k-collector, whatever
// the build folder), or --collector PATH. The broker and the collector are stopped, and the
// folder removed, however the bench ends.
//
//   NetworkLoadBench [--stations N] [--seconds S] [--outage S] [--collector PATH]
//                    [--archive-only | --derived-files] [--processes P] [--keep]

#include "support/CollectedArchives.h"
#include "support/GeneratorLedger.h"
#include "support/OwnedProcesses.h"
#include "support/ProcessUsage.h"
#include "support/WireStations.h"

#include "recording/FilterFile.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

struct TOptions {
    int Stations = 1000;
    int Seconds = 60;
    int Outage = 0;
    int Processes = 1;
    bool DerivedFiles = false;
    bool Keep = false;
    std::string Collector = ProgramOfThisBuild("tools/orvant3k-collector");
};

TOptions ParseOptions(int argc, char* argv[]) {
    TOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        const auto number = [&](int& field, int least) {
            if (!value) throw std::invalid_argument(option + " needs a value");
            field = std::max(least, std::atoi(value));
            ++i;
        };
        if (option == "--stations") number(options.Stations, 1);
        else if (option == "--seconds") number(options.Seconds, 3);
        else if (option == "--outage") number(options.Outage, 0);
        else if (option == "--processes") number(options.Processes, 1);
        else if (option == "--archive-only") options.DerivedFiles = false;
        else if (option == "--derived-files") options.DerivedFiles = true;
        else if (option == "--keep") options.Keep = true;
        else if (option == "--collector" && value) options.Collector = argv[++i];
        else throw std::invalid_argument("unknown option " + option);
    }
    options.Processes = std::min(options.Processes, options.Stations);
    return options;
}

TStationMeta Description(bool derivedFiles) {
    TStationMeta description;
    description.IDC = "BEN";
    description.COMP = "XYZF";
    description.GIN = "EDI";
    description.COLA = "0400";
    description.LONG = "0250";
    description.DECBAS = "000000";
    description.Coefficients = ReadFilterFile(ORVANT_SOURCE_DIR "/filters/gaussian-1s-to-1min-91.filter").Texts;
    description.Iaga.Header.Latitude = "50.0";
    description.Iaga.Header.Longitude = "10.0";
    description.Iaga.Header.Elevation = "100";
    description.Intermagnet = description.Iaga.SecondFiles = description.Iaga.MinuteFiles = derivedFiles;
    description.Program = "NetworkLoadBench";
    return description;
}

// The CPU used so far by each process that shares the machine, at one moment.
struct TUsage {
    Clock::time_point At;
    double Collector = 0, Broker = 0, Generator = 0, Bench = 0, Machine = 0;
    std::map<std::string, double> CollectorThreads;
    std::uint64_t Recorded = 0, Collected = 0;
    // Counting every station's archive takes a while: the count holds for the middle of it.
    Clock::time_point CollectedAt;
};

void SleepUntil(Clock::time_point until, const std::function<void()>& everySecond) {
    while (Clock::now() < until) {
        std::this_thread::sleep_until(std::min(until, Clock::now() + 1s));
        everySecond();
    }
}

// The collector's log lines that are not the stations' usual comings and goings, by kind.
std::map<std::string, int> UnusualLogLines(const std::string& log) {
    std::map<std::string, int> kinds;
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);) {
        if (line.find(": online") != std::string::npos || line.find(": offline") != std::string::npos ||
            line.find("description received") != std::string::npos || line.find(": from line") != std::string::npos)
            continue;
        // Station names and numbers vary; what the line says is its kind.
        std::string kind;
        for (char c : line) kind += (c >= '0' && c <= '9') ? '#' : c;
        if (const std::size_t station = kind.find("S#"); station != std::string::npos) {
            std::size_t end = station + 1;
            while (end < kind.size() && kind[end] == '#') ++end;
            kind.replace(station, end - station, "S#");
        }
        ++kinds[kind.substr(0, 160)];
    }
    return kinds;
}

constexpr int TailLines = 600;  // room for the lines recorded while a backlog drains

// Everything one run of the bench started, and what it saw of the collector on the way.
struct TRun {
    TOptions Options;
    int Warmup = 0;  // lines of the first `Warmup` seconds meet a collector to which every station is new
    fs::path Root, Out;
    std::vector<std::string> BrokerCommand;
    TOwnedProcess Broker, Collector;
    std::unique_ptr<TGeneratorLedger> Ledger;
    TWireStationsOptions Wire;
    std::vector<std::unique_ptr<TOwnedProcess>> Generators;
    long PeakResident = 0;
    bool Failed = false;

    TUsage Usage(bool counted) const {
        TUsage now;
        now.At = Clock::now();
        now.Collector = CpuSeconds(Collector.Pid());
        now.CollectorThreads = ThreadCpuSeconds(Collector.Pid());
        now.Broker = CpuSeconds(Broker.Pid());
        for (const auto& generator : Generators) now.Generator += CpuSeconds(generator->Pid());
        now.Bench = CpuSeconds(::getpid());
        now.Machine = MachineBusySeconds();
        if (counted) {
            now.Recorded = Ledger->RecordedByAll();
            const auto counting = Clock::now();
            now.Collected = CollectedLinesOfAll(Out, Options.Stations);
            now.CollectedAt = counting + (Clock::now() - counting) / 2;
        }
        return now;
    }

    // Once a second while the bench waits.
    void Watch() {
        PeakResident = std::max(PeakResident, ResidentKb(Collector.Pid()));
        int status = 0;
        if (!Failed && (Collector.Ended(status) || Broker.Ended(status))) {
            Failed = true;
            std::fprintf(stderr, "the collector or the broker ended during the run (wait status %d)\n", status);
        }
    }
    void WaitUntil(Clock::time_point until) {
        SleepUntil(until, [this] { Watch(); });
    }
};

bool StartBrokerAndCollector(TRun& run) {
    const int port = FreePort();
    std::ofstream(run.Root / "mosquitto.conf")
        << "listener " << port << " 127.0.0.1\nallow_anonymous true\npersistence false\n"
        << "max_inflight_messages 1000\nmax_queued_messages 100000\n";
    run.BrokerCommand = {"/usr/sbin/mosquitto", "-c", (run.Root / "mosquitto.conf").string()};
    if (!run.Broker.Spawn(run.BrokerCommand, (run.Root / "mosquitto.log").string())) {
        std::fprintf(stderr, "cannot start mosquitto; its log said: %s\n", ReadLog(run.Root / "mosquitto.log").c_str());
        return false;
    }
    if (!run.Collector.Spawn({run.Options.Collector, "--broker", "127.0.0.1:" + std::to_string(port), "--out",
                              run.Out.string(), "--max-stations", std::to_string(run.Options.Stations)},
                             (run.Root / "collector.log").string())) {
        const std::string log = ReadLog(run.Root / "collector.log");
        std::fprintf(stderr, "cannot start the collector %s (give --collector PATH): %s\n",
                     run.Options.Collector.c_str(), log.empty() ? "no such program, or it cannot be run" : log.c_str());
        return false;
    }
    run.Wire.Port = port;
    return true;
}

void StartGenerators(TRun& run) {
    const int stations = run.Options.Stations, processes = run.Options.Processes;
    run.Ledger = std::make_unique<TGeneratorLedger>(stations, 100, run.Options.Seconds + run.Options.Outage + TailLines);
    run.Ledger->Shared().LineLimit = std::uint32_t(run.Options.Seconds);
    TWireStationsOptions& wire = run.Wire;
    wire.Meta = Description(run.Options.DerivedFiles);
    wire.ConnectStart = Clock::now() + 100ms;
    wire.ConnectSpread = std::chrono::microseconds(1000000LL * stations / wire.ConnectsPerSecond);
    wire.LinesStart = wire.ConnectStart + wire.ConnectSpread + 1s;
    for (int p = 0; p < processes; ++p) {
        wire.First = stations * p / processes;
        wire.Count = stations * (p + 1) / processes - wire.First;
        run.Generators.push_back(std::make_unique<TOwnedProcess>());
        run.Generators.back()->Fork([&wire, &run] {
            try {
                TWireStations(wire, *run.Ledger).Run();
                return 0;
            } catch (const std::exception& error) {
                std::fprintf(stderr, "generator: %s\n", error.what());
                return 1;
            }
        });
    }
    std::printf("%d stations in %d generator process%s, connecting over %.1f s; %d s of lines from then on, the first "
                "%d s the warm-up\n",
                stations, processes, processes > 1 ? "es" : "", std::chrono::duration<double>(wire.ConnectSpread).count(),
                run.Options.Seconds, run.Warmup);
    std::fflush(stdout);
}

void MeasureSteadyPart(TRun& run) {
    TLatencyWatcher latency(run.Out, *run.Ledger, std::uint32_t(run.Warmup), std::uint32_t(run.Options.Seconds));
    run.WaitUntil(run.Wire.LinesStart + std::chrono::seconds(run.Warmup));
    const TUsage start = run.Usage(true);
    run.WaitUntil(run.Wire.LinesStart + std::chrono::seconds(run.Options.Seconds));
    const TUsage end = run.Usage(true);
    const long resident = ResidentKb(run.Collector.Pid());
    run.PeakResident = std::max(run.PeakResident, resident);
    latency.Stop();

    const double wall = std::chrono::duration<double>(end.At - start.At).count();
    const auto share = [wall](double from, double to) { return 100.0 * (to - from) / wall; };
    const double recordedRate = double(end.Recorded - start.Recorded) / wall;
    const double collectedRate = double(end.Collected - start.Collected) /
                                 std::chrono::duration<double>(end.CollectedAt - start.CollectedAt).count();
    const double collectorShare = share(start.Collector, end.Collector);
    const double machineShare = share(start.Machine, end.Machine);
    const double others = machineShare - collectorShare - share(start.Broker, end.Broker) -
                          share(start.Generator, end.Generator) - share(start.Bench, end.Bench);
    std::printf("steady part (%.0f s after a %d s warm-up): stations recorded %.0f lines/s, the collector wrote %.0f "
                "lines/s to its archives\n",
                wall, run.Warmup, recordedRate, collectedRate);
    std::printf("CPU, %% of one core: collector %.1f (%.1f per 1,000 lines/s), broker %.1f, generator %.1f, this bench "
                "%.1f, everything else on the machine %.1f; the machine's %ld cores busy %.1f of %ld\n",
                collectorShare, collectorShare * 1000.0 / std::max(1.0, collectedRate), share(start.Broker, end.Broker),
                share(start.Generator, end.Generator), share(start.Bench, end.Bench), std::max(0.0, others),
                ::sysconf(_SC_NPROCESSORS_ONLN), machineShare, 100 * ::sysconf(_SC_NPROCESSORS_ONLN));
    // Where the collector's share goes: "main" is its event loop, MQTTAsync_* the MQTT client's
    // threads, "unnamed" its file saver (positions and descriptions, replaced atomically).
    std::printf("  the collector's threads:");
    for (const auto& [thread, seconds] : end.CollectorThreads)
        if (const auto was = start.CollectorThreads.find(thread); was != start.CollectorThreads.end())
            std::printf(" %s %.1f,", thread.c_str(), share(was->second, seconds));
    std::printf(" %% of one core\n");
    std::printf("collector resident memory (VmRSS): %.1f MB at the end of the steady part, at most %.1f MB\n",
                double(resident) / 1024.0, double(run.PeakResident) / 1024.0);
    const std::vector<double> steady = latency.Steady(), first = latency.Warmup();
    std::printf("latency, line recorded at the station -> in the collector's archive, %d stations sampled: median "
                "%.3f s, 99th percentile %.3f s, most %.3f s (%zu lines)\n",
                run.Ledger->TimedStations(), Percentile(steady, 0.5), Percentile(steady, 0.99),
                Percentile(steady, 1.0), steady.size());
    std::printf("  warm-up (first %d s, every station new to the collector): median %.3f s, 99th percentile %.3f s, "
                "most %.3f s (%zu lines)\n",
                run.Warmup, Percentile(first, 0.5), Percentile(first, 0.99), Percentile(first, 1.0), first.size());
    std::fflush(stdout);
}

// False when the broker cannot be started again.
bool MeasureOutage(TRun& run) {
    // Lines go on while the broker is away and after its return, as at real stations.
    run.Ledger->Shared().LineLimit = std::uint32_t(run.Options.Seconds + run.Options.Outage + TailLines);
    const TUsage before = run.Usage(false);
    const double brokerBeforeKill = CpuSeconds(run.Broker.Pid());
    run.Broker.Stop(SIGKILL);
    SleepUntil(Clock::now() + std::chrono::seconds(run.Options.Outage), [] {});
    if (!run.Broker.Spawn(run.BrokerCommand, (run.Root / "mosquitto.log").string())) {
        std::fprintf(stderr, "cannot restart mosquitto: %s\n", ReadLog(run.Root / "mosquitto.log").c_str());
        return false;
    }
    const auto back = Clock::now();
    const std::uint64_t backlog = run.Ledger->RecordedByAll();
    double delivered = -1;
    std::uint64_t collected = 0;
    while (delivered < 0 && Clock::now() - back < 240s && !run.Failed) {
        collected = CollectedLinesOfAll(run.Out, run.Options.Stations);
        if (collected >= backlog)
            delivered = std::chrono::duration<double>(Clock::now() - back).count();
        else
            run.WaitUntil(Clock::now() + 1s);
    }
    const TUsage after = run.Usage(false);
    const double span = std::chrono::duration<double>(after.At - before.At).count();
    std::printf("outage of %d s: broker back after %.1f s; of the %llu lines recorded by then (%.1f per station) ",
                run.Options.Outage, std::chrono::duration<double>(back - before.At).count(),
                static_cast<unsigned long long>(backlog), double(backlog) / run.Options.Stations);
    if (delivered >= 0)
        std::printf("all were in the collector's archives %.1f s after the broker's return\n", delivered);
    else
        std::printf("%llu were still missing from the collector's archives after 240 s\n",
                    static_cast<unsigned long long>(backlog - collected));
    // The restarted broker is a new process: its CPU time starts from zero.
    std::printf("  over the outage and the catch-up, %% of one core: collector %.1f, broker %.1f, generator %.1f\n",
                100.0 * (after.Collector - before.Collector) / span,
                100.0 * (brokerBeforeKill - before.Broker + after.Broker) / span,
                100.0 * (after.Generator - before.Generator) / span);
    std::fflush(stdout);
    return true;
}

void CheckEveryLineRecorded(TRun& run) {
    TGeneratorLedger& ledger = *run.Ledger;
    const int stations = run.Options.Stations;
    // The stations record no more; every line they recorded must reach the archives.
    const auto linesNow = std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - run.Wire.LinesStart).count();
    ledger.Shared().LineLimit = std::min<std::uint32_t>(ledger.Shared().LineLimit, std::uint32_t(linesNow + 1));
    std::this_thread::sleep_for(1200ms);
    const std::uint64_t recorded = ledger.RecordedByAll();
    std::uint64_t collected = 0;
    const auto lastLine = Clock::now();
    while (!run.Failed && Clock::now() - lastLine < 60s) {
        collected = CollectedLinesOfAll(run.Out, stations);
        if (collected >= recorded) break;
        run.WaitUntil(Clock::now() + 1s);
    }
    std::vector<std::string> lacking;
    for (int station = 0; station < stations && lacking.size() < 5; ++station) {
        const std::uint64_t has = CollectedLines(run.Out / ("S" + std::to_string(station)) / "ARCHIVE");
        if (has != ledger.Recorded(station))
            lacking.push_back("S" + std::to_string(station) + " " + std::to_string(has) + " of " +
                              std::to_string(ledger.Recorded(station)));
    }
    std::printf("every line recorded at the stations in the collector's archives: %s (%llu of %llu lines, %.1f s "
                "after the last line)%s\n",
                collected == recorded && lacking.empty() ? "yes" : "NO", static_cast<unsigned long long>(collected),
                static_cast<unsigned long long>(recorded),
                std::chrono::duration<double>(Clock::now() - lastLine).count(),
                lacking.empty() ? "" : (": " + lacking.front() + (lacking.size() > 1 ? ", ..." : "")).c_str());
    // The line count above assumes 63 bytes a line: the timed stations' archives, byte for byte.
    int equal = 0;
    for (int timed = 0; timed < ledger.TimedStations(); ++timed) {
        const int station = ledger.TimedStation(timed);
        std::string archive;
        std::error_code error;
        for (auto it = fs::recursive_directory_iterator(run.Out / ("S" + std::to_string(station)) / "ARCHIVE", error);
             it != fs::recursive_directory_iterator(); it.increment(error))
            if (it->is_regular_file(error)) archive += ReadLog(it->path());
        equal += archive == ExpectedArchive(0, ledger.Recorded(station));
    }
    std::printf("archives equal byte for byte to the lines recorded (%zu bytes a line): %d of %d sampled stations\n",
                ArchiveLineBytes, equal, ledger.TimedStations());
    const auto& wire = ledger.Shared();
    std::printf("wire: %llu connections accepted, %llu lost, %llu attempts failed; %llu lines published (%llu of them "
                "again), %llu resend requests (%llu rewinds)%s\n",
                static_cast<unsigned long long>(wire.Connections.load()),
                static_cast<unsigned long long>(wire.Losses.load()),
                static_cast<unsigned long long>(wire.ConnectsFailed.load()),
                static_cast<unsigned long long>(wire.LinesPublished.load()),
                static_cast<unsigned long long>(wire.LinesRepublished.load()),
                static_cast<unsigned long long>(wire.ResendsAsked.load()),
                static_cast<unsigned long long>(wire.ResendsServed.load()),
                wire.Malformed ? (", " + std::to_string(wire.Malformed.load()) + " malformed streams").c_str() : "");
}

void StopAll(TRun& run) {
    run.Ledger->Shared().Stop = true;
    for (const auto& generator : run.Generators) {
        const int status = generator->Stop(0, 10s);  // signal 0: only waits for it to see the stop
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            std::printf("a generator process ended with wait status %d\n", status);
    }
    const auto stopping = Clock::now();
    const int status = run.Collector.Stop(SIGTERM);
    std::printf("collector stopped (SIGTERM) in %.1f s: %s\n",
                std::chrono::duration<double>(Clock::now() - stopping).count(),
                WIFEXITED(status)     ? ("exit status " + std::to_string(WEXITSTATUS(status))).c_str()
                : WIFSIGNALED(status) ? ("killed by signal " + std::to_string(WTERMSIG(status))).c_str()
                                      : "not running");
    run.Broker.Stop(SIGTERM);
}

void ReportCollectorLog(const TRun& run) {
    const std::string log = ReadLog(run.Root / "collector.log");
    const auto unusual = UnusualLogLines(log);
    std::printf("collector log: %zu bytes; lines other than stations' online, offline and descriptions%s\n",
                log.size(), unusual.empty() ? ": none" : " (digits as #):");
    for (const auto& [kind, count] : unusual) std::printf("  %6d x %s\n", count, kind.c_str());
}

}  // namespace

int main(int argc, char* argv[]) {
    GuardOwnedProcesses();
    TRun run;
    try {
        run.Options = ParseOptions(argc, argv);
    } catch (const std::exception& error) {
        std::fprintf(stderr,
                     "%s\nusage: NetworkLoadBench [--stations N] [--seconds S] [--outage S] [--collector PATH]\n"
                     "                        [--archive-only | --derived-files] [--processes P] [--keep]\n",
                     error.what());
        return 2;
    }
    run.Warmup = std::min(10, run.Options.Seconds / 3);
    // A socket per station here, and one per station in the broker, which inherits the limit.
    rlimit files{};
    ::getrlimit(RLIMIT_NOFILE, &files);
    files.rlim_cur = files.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &files);
    if (files.rlim_cur < rlim_t(run.Options.Stations) + 100)
        std::fprintf(stderr, "warning: the open-file limit (%llu) is below one descriptor per station\n",
                     static_cast<unsigned long long>(files.rlim_cur));

    run.Root = fs::temp_directory_path() / ("orvant-network-bench-" + std::to_string(::getpid()));
    run.Out = run.Root / "collected";
    fs::create_directories(run.Root);
    if (!run.Options.Keep) RemoveAtExit(run.Root);
    if (!StartBrokerAndCollector(run)) return 1;
    StartGenerators(run);
    MeasureSteadyPart(run);
    if (run.Options.Outage > 0 && !run.Failed && !MeasureOutage(run)) return 1;
    CheckEveryLineRecorded(run);
    StopAll(run);
    ReportCollectorLog(run);
    if (run.Options.Keep) std::printf("kept: %s\n", run.Root.c_str());
    return run.Failed ? 1 : 0;
}
