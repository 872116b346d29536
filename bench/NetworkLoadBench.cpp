// Load of a station network on one collector: N stations, each a real TStationPublisher over its
// own archive (written by the station's archive writer, one line a second), publishing on a
// mosquitto started here (127.0.0.1, a free port) to the built orvant3k-collector. Every
// station's description asks for INTERMAGNET one-minute values with the 91-coefficient filter
// and both IAGA-2002 products, so the collector writes those files too. Prints:
// - the collector's CPU share of one core over the steady part of the run;
// - latency from a line's archive write at the station to its appearance in the collector's
//   archive (median, 99th percentile), sampled on up to 100 stations, in the steady part and,
//   apart, in the warm-up, when every station is new to the collector at once;
// - with --outage S: the broker is killed, S seconds of lines are recorded meanwhile (written
//   at once, stamped a second apart, as a long outage leaves them), the broker comes back, and
//   the time until the collector holds every line is measured while live lines go on.
//
// The stations' archives go to --station-folder (default: beside the collector's output, on the
// same disk); on a tmpfs such as /dev/shm the stations' own position saves (a flushed file per
// station and second, 1,000 a second here, each on its own machine in a real network) no
// longer share this disk's journal with the collector.
//
// With --processes P the stations are spread over P processes of their own (a Paho client
// library holds all of a process's clients in one set of threads, and with hundreds of clients
// reconnecting at once after the broker's return it has crashed); the run then measures only
// the outage (--outage S is needed): S seconds of steady lines first, then as above.
//
// The collector is the one built beside this program (<build>/tools/orvant3k-collector, whatever
// the build folder), or --collector PATH. The bench's mosquitto is stopped however it ends.
// Split over processes, the steady part gives the collector's share of a core and its rate
// (no latency). With --archive-only the stations ask for no INTERMAGNET or IAGA-2002 files: the
// collector then holds one file per station, which 10,000 stations need where the open-file
// limit is 20,000.
//
//   NetworkLoadBench [--stations N] [--seconds S] [--outage S] [--station-folder DIR]
//                    [--processes P] [--collector PATH] [--archive-only]

#include "acquisition/HandOff.h"
#include "network/StationPublisher.h"
#include "recording/FilterFile.h"
#include "recording/TextWithTimeDataFile.h"
#include "instrument/InstrumentLine.h"

#include <QCoreApplication>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

int FreePort() {
    const int handle = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(handle, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(handle, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(handle);
    return ntohs(address.sin_port);
}

// -1 when the program cannot be started or ends at once (its log then says why).
pid_t Spawn(const std::vector<std::string>& arguments, const std::string& log) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    if (::waitpid(pid, nullptr, WNOHANG) == pid) return -1;
    return pid;
}

// The broker and the collector this bench started, stopped on every way out (a failure,
// Ctrl-C, a crash of the client library, the end).
std::atomic<pid_t> BrokerPid{-1};
std::atomic<pid_t> CollectorPid{-1};
const pid_t BenchPid = ::getpid();

void StopBroker() {
    if (::getpid() != BenchPid) return;  // a generator process leaves them to the bench
    for (std::atomic<pid_t>* process : {&CollectorPid, &BrokerPid}) {
        const pid_t pid = process->exchange(-1);
        if (pid <= 0) continue;
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
    }
}

void StopBrokerAndEnd(int signal) {
    // Only what is safe in a signal handler; then the signal takes its course.
    if (::getpid() == BenchPid)
        for (std::atomic<pid_t>* process : {&CollectorPid, &BrokerPid})
            if (const pid_t pid = process->exchange(-1); pid > 0) ::kill(pid, SIGTERM);
    std::signal(signal, SIG_DFL);
    ::raise(signal);
}

std::string ReadLog(const fs::path& path) {
    std::ifstream file(path);
    return std::string((std::istreambuf_iterator<char>(file)), {});
}

std::string CollectorBesideThis() {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    return error ? std::string() : (self.parent_path().parent_path() / "tools" / "orvant3k-collector").string();
}

void Stop(pid_t pid, int signal) {
    ::kill(pid, signal);
    ::waitpid(pid, nullptr, 0);
}

// The process's CPU time so far; 0 when it cannot be read (the process is gone).
double CpuSeconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    std::size_t at = text.rfind(')');
    if (at == std::string::npos || at + 2 > text.size()) return 0;
    std::vector<std::string> fields;
    std::string field;
    for (std::size_t i = at + 2; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == ' ') {
            fields.push_back(field);
            field.clear();
        } else {
            field += text[i];
        }
    }
    // utime and stime are fields 14 and 15 of the whole line, 12 and 13 after the name.
    if (fields.size() < 13) return 0;
    return (std::stod(fields[11]) + std::stod(fields[12])) / double(::sysconf(_SC_CLK_TCK));
}

std::string Line(int index) {
    return FormatInstrumentLine(EncodeDateTime(2024, 1, 1, 0, 0, 0) + index / SecondsPerDay,
                                {21000.0 + index % 100, -1200, 45000, 20.5, 19.5});
}

struct TStation {
    std::string Name;
    fs::path Folder;
    std::unique_ptr<TTextWithTimeDataFile> Archive;
    std::unique_ptr<TStationPublisher> Publisher;
    int Lines = 0;
    std::vector<Clock::time_point> WrittenAt;
};

std::size_t CollectedLines(const fs::path& root) {
    std::size_t bytes = 0;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(root, error); it != fs::recursive_directory_iterator();
         it.increment(error))
        if (it->is_regular_file(error)) bytes += it->file_size(error);
    return bytes / 63;
}

// Stations first .. first + count - 1, each publishing as the station would.
std::vector<TStation> MakeStations(int first, int count, const fs::path& stationRoot, int port,
                                   const TStationMeta& description) {
    std::vector<TStation> made(static_cast<std::size_t>(count));
    for (int s = 0; s < count; ++s) {
        TStation& station = made[static_cast<std::size_t>(s)];
        station.Name = "S" + std::to_string(first + s);
        station.Folder = stationRoot / station.Name;
        fs::create_directories(station.Folder);
        station.Archive = std::make_unique<TTextWithTimeDataFile>();
        station.Archive->SetExtension("orv");
        station.Archive->SetRootFolder(station.Folder.string());
        TPublisherOptions options;
        options.Network.Broker = "127.0.0.1";
        options.Network.Port = port;
        options.Network.StationId = station.Name;
        options.BaseDirectory = station.Folder.string();
        options.Meta = description;
        options.Meta.Station = station.Name;
        options.Version = "bench";
        station.Publisher = std::make_unique<TStationPublisher>(options);
    }
    return made;
}

void Record(TStation& station) {
    station.Archive->WriteDateFile(Line(station.Lines), EncodeDateTime(2024, 1, 1, 0, 0, 0) + station.Lines / SecondsPerDay);
    station.WrittenAt.push_back(Clock::now());
    ++station.Lines;
    // The archive writer names files from the working folder; the publisher reads them
    // relative to its base folder.
    station.Publisher->LineRecorded(station.Archive->GetFileName().substr(station.Folder.string().size() + 1));
}

// One line a second for each station, spread over the second.
void RecordForSeconds(std::vector<TStation>& stations, int seconds) {
    for (int second = 0; second < seconds; ++second) {
        const auto secondStart = Clock::now();
        for (std::size_t s = 0; s < stations.size(); ++s) {
            Record(stations[s]);
            std::this_thread::sleep_until(secondStart + std::chrono::microseconds(
                                                            1000000LL * std::int64_t(s + 1) / std::int64_t(stations.size())));
        }
    }
}

// The parent's and the children's steps of a split run, one byte each way over pipes.
void Tell(int handle) {
    const char step = 1;
    [[maybe_unused]] const ssize_t written = ::write(handle, &step, 1);
}
void Await(int handle) {
    char step = 0;
    [[maybe_unused]] const ssize_t read = ::read(handle, &step, 1);
}

// A child of a split run: its stations run steady, record the outage's lines when told (the
// broker is down then), then go on live until told to end. It ends without stopping its
// clients: the measurement is over, and stopping hundreds at once meets the library's fault.
[[noreturn]] void RunChild(int first, int count, const fs::path& stationRoot, int port,
                           const TStationMeta& description, int seconds, int outage, int toParent,
                           int fromParent) {
    std::vector<TStation> stations = MakeStations(first, count, stationRoot, port, description);
    RecordForSeconds(stations, seconds);
    Tell(toParent);    // steady part done
    Await(fromParent);  // the broker is down
    for (int line = 0; line < outage; ++line)
        for (TStation& station : stations) Record(station);
    Tell(toParent);  // the outage's lines are recorded
    Await(fromParent);  // the broker is back
    ::fcntl(fromParent, F_SETFL, O_NONBLOCK);
    for (;;) {
        char step = 0;
        if (::read(fromParent, &step, 1) == 1) break;
        RecordForSeconds(stations, 1);
    }
    std::fflush(stdout);
    ::_exit(0);
}

std::size_t CollectedOfAll(const fs::path& collected, int stations) {
    std::size_t total = 0;
    for (int s = 0; s < stations; ++s) total += CollectedLines(collected / ("S" + std::to_string(s)) / "ARCHIVE");
    return total;
}

// The outage measured with the stations spread over processes.
void RunSplitOutage(int stations, int processes, int seconds, int outage, const fs::path& root,
                    const fs::path& stationRoot, int port, const TStationMeta& description,
                    const std::vector<std::string>& broker, pid_t& brokerPid, pid_t collectorPid) {
    struct TChild {
        pid_t Pid;
        int ToChild, FromChild;
    };
    std::vector<TChild> children;
    for (int p = 0; p < processes; ++p) {
        const int first = stations * p / processes;
        const int count = stations * (p + 1) / processes - first;
        int down[2], up[2];
        if (::pipe(down) != 0 || ::pipe(up) != 0) return;
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(down[1]);
            ::close(up[0]);
            RunChild(first, count, stationRoot, port, description, seconds, outage, up[1], down[0]);
        }
        ::close(down[0]);
        ::close(up[1]);
        children.push_back({pid, down[1], up[0]});
    }
    // The steady part after its first seconds: the collector's share of a core and its rate.
    std::this_thread::sleep_for(std::chrono::seconds(std::min(10, seconds / 3)));
    const double cpuStart = CpuSeconds(collectorPid);
    const std::size_t linesStart = CollectedOfAll(root / "collected", stations);
    const auto steadyStart = Clock::now();
    for (const TChild& child : children) Await(child.FromChild);
    const double wall = std::chrono::duration<double>(Clock::now() - steadyStart).count();
    std::printf("%d stations in %d processes at 1 line/s: the collector recorded %.0f lines/s using %.1f %% of one "
                "core over the last %.0f s of the steady part\n",
                stations, processes, double(CollectedOfAll(root / "collected", stations) - linesStart) / wall,
                100.0 * (CpuSeconds(collectorPid) - cpuStart) / wall, wall);
    std::fflush(stdout);
    BrokerPid = -1;
    Stop(brokerPid, SIGKILL);
    for (const TChild& child : children) Tell(child.ToChild);
    for (const TChild& child : children) Await(child.FromChild);
    std::this_thread::sleep_for(std::chrono::seconds(2));
    BrokerPid = brokerPid = Spawn(broker, (root / "mosquitto.log").string());
    const auto back = Clock::now();
    for (const TChild& child : children) Tell(child.ToChild);
    const std::size_t backlog = std::size_t(stations) * std::size_t(seconds + outage);
    double delivered = -1;
    for (int second = 0; second < 180 && delivered < 0; ++second) {
        if (CollectedOfAll(root / "collected", stations) >= backlog)
            delivered = std::chrono::duration<double>(Clock::now() - back).count();
        else
            std::this_thread::sleep_for(std::chrono::seconds(1));
    }
    for (const TChild& child : children) Tell(child.ToChild);
    int crashed = 0;
    for (const TChild& child : children) {
        int status = 0;
        ::waitpid(child.Pid, &status, 0);
        crashed += !(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    std::printf("%d stations in %d processes, outage of %d s (%d lines per station): backlog "
                "delivered %.1f s after the broker's return%s\n",
                stations, processes, outage, outage, delivered,
                crashed ? (", " + std::to_string(crashed) + " generator processes crashed").c_str() : "");
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    int stations = 1000, seconds = 60, outage = 0, processes = 1;
    std::string stationFolder, collectorProgram = CollectorBesideThis();
    bool archiveOnly = false;
    for (int i = 1; i < argc; ++i)
        if (!std::strcmp(argv[i], "--archive-only")) archiveOnly = true;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--archive-only")) --i;
        if (!std::strcmp(argv[i], "--collector")) collectorProgram = argv[i + 1];
        if (!std::strcmp(argv[i], "--station-folder")) stationFolder = argv[i + 1];
        if (!std::strcmp(argv[i], "--stations")) stations = std::atoi(argv[i + 1]);
        if (!std::strcmp(argv[i], "--seconds")) seconds = std::atoi(argv[i + 1]);
        if (!std::strcmp(argv[i], "--outage")) outage = std::atoi(argv[i + 1]);
        if (!std::strcmp(argv[i], "--processes")) processes = std::max(1, std::atoi(argv[i + 1]));
    }
    rlimit files{};
    ::getrlimit(RLIMIT_NOFILE, &files);
    files.rlim_cur = files.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &files);

    const fs::path root = fs::temp_directory_path() / ("orvant-network-bench-" + std::to_string(::getpid()));
    fs::create_directories(root);
    const fs::path stationRoot = stationFolder.empty() ? root / "stations"
                                                       : fs::path(stationFolder) / root.filename();
    const int port = FreePort();
    std::ofstream(root / "mosquitto.conf") << "listener " << port << " 127.0.0.1\nallow_anonymous true\n"
                                           << "persistence false\nmax_queued_messages 100000\n";
    const std::vector<std::string> broker{"/usr/sbin/mosquitto", "-c", (root / "mosquitto.conf").string()};
    std::atexit(StopBroker);
    for (const int signal : {SIGINT, SIGTERM, SIGSEGV, SIGABRT, SIGBUS}) std::signal(signal, StopBrokerAndEnd);
    pid_t brokerPid = Spawn(broker, (root / "mosquitto.log").string());
    BrokerPid = brokerPid;
    if (brokerPid < 0) {
        std::fprintf(stderr, "cannot start mosquitto; its log said: %s\n", ReadLog(root / "mosquitto.log").c_str());
        std::error_code ignored;
        fs::remove_all(root, ignored);
        return 1;
    }
    const pid_t collectorPid = Spawn({collectorProgram, "--broker", "127.0.0.1:" + std::to_string(port), "--out",
                                      (root / "collected").string(), "--max-stations",
                                      std::to_string(std::max(stations, 1))},
                                     (root / "collector.log").string());
    CollectorPid = collectorPid;
    if (collectorPid < 0) {
        const std::string log = ReadLog(root / "collector.log");
        std::fprintf(stderr, "cannot start the collector %s (give --collector PATH): %s\n", collectorProgram.c_str(),
                     log.empty() ? "no such program, or it cannot be run" : log.c_str());
        std::error_code ignored;
        fs::remove_all(root, ignored);
        return 1;
    }

    TStationMeta description;
    description.IDC = "BEN";
    description.COMP = "XYZF";
    description.GIN = "EDI";
    description.COLA = "0400";
    description.LONG = "0250";
    description.DECBAS = "000000";
    description.Coefficients = ReadFilterFile(ORVANT_SOURCE_DIR "/filters/gaussian-1s-to-1min-91.filter").Texts;
    description.Iaga.SecondFiles = description.Iaga.MinuteFiles = true;
    description.Iaga.Header.Latitude = "50.0";
    description.Iaga.Header.Longitude = "10.0";
    description.Iaga.Header.Elevation = "100";
    if (archiveOnly) description.Intermagnet = description.Iaga.SecondFiles = description.Iaga.MinuteFiles = false;

    if (processes > 1) {
        if (outage <= 0) {
            std::fputs("--processes measures an outage: give --outage S\n", stderr);
            return 2;
        }
        RunSplitOutage(stations, processes, seconds, outage, root, stationRoot, port, description,
                       broker, brokerPid, collectorPid);
        CollectorPid = -1;
        Stop(collectorPid, SIGTERM);
        StopBroker();
        std::error_code ignored;
        fs::remove_all(root, ignored);
        fs::remove_all(stationRoot, ignored);
        return 0;
    }
    std::vector<TStation> all = MakeStations(0, stations, stationRoot, port, description);
    const auto record = [](TStation& station) { Record(station); };

    // Latency: a watcher polls the collected archives of up to 100 stations.
    // Lines of the first `warmup` seconds meet a collector to which every station is new.
    const int warmup = std::min(10, seconds / 3);
    std::mutex latencyLock;
    std::vector<double> latencies, warmupLatencies;
    std::atomic<bool> watching{true};
    const int watched = std::min(stations, 100);
    std::thread watcher([&] {
        std::vector<std::size_t> seen(static_cast<std::size_t>(watched), 0);
        while (watching) {
            for (int s = 0; s < watched; ++s) {
                const std::size_t lines = CollectedLines(root / "collected" / all[static_cast<std::size_t>(s)].Name / "ARCHIVE");
                const auto now = Clock::now();
                std::lock_guard<std::mutex> lock(latencyLock);
                for (std::size_t& n = seen[static_cast<std::size_t>(s)]; n < lines; ++n)
                    if (n < all[static_cast<std::size_t>(s)].WrittenAt.size())
                        (n < static_cast<std::size_t>(warmup) ? warmupLatencies : latencies)
                            .push_back(std::chrono::duration<double>(now - all[static_cast<std::size_t>(s)].WrittenAt[n]).count());
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    });

    // Steady load: one line a second per station, spread over the second.
    double cpuStart = 0;
    std::size_t linesStart = 0;
    auto AllCollected = [&] {
        std::size_t total = 0;
        for (const TStation& station : all) total += CollectedLines(root / "collected" / station.Name / "ARCHIVE");
        return total;
    };
    auto started = Clock::now();
    for (int second = 0; second < seconds; ++second) {
        if (second == warmup) {
            cpuStart = CpuSeconds(collectorPid);
            started = Clock::now();
            linesStart = AllCollected();
        }
        const auto secondStart = Clock::now();
        for (int s = 0; s < stations; ++s) {
            { std::lock_guard<std::mutex> lock(latencyLock); record(all[static_cast<std::size_t>(s)]); }
            std::this_thread::sleep_until(secondStart + std::chrono::microseconds(1000000LL * (s + 1) / stations));
        }
    }
    const double cpu = CpuSeconds(collectorPid) - cpuStart;
    const double wall = std::chrono::duration<double>(Clock::now() - started).count();
    const double linesPerSecond = double(AllCollected() - linesStart) / wall;
    // Latency is the steady state's; the outage's lines wait by design.
    watching = false;
    watcher.join();

    if (outage > 0) {
        // The broker dies; the outage's lines are recorded (at once) meanwhile.
        BrokerPid = -1;
        Stop(brokerPid, SIGKILL);
        for (int line = 0; line < outage; ++line)
            for (TStation& station : all) record(station);
        std::this_thread::sleep_for(std::chrono::seconds(2));
        BrokerPid = brokerPid = Spawn(broker, (root / "mosquitto.log").string());
        const auto back = Clock::now();
        std::size_t backlog = 0;  // every line recorded before the broker came back
        for (const TStation& station : all) backlog += static_cast<std::size_t>(station.Lines);
        double delivered = -1;
        for (int second = 0; second < 120 && delivered < 0; ++second) {
            for (TStation& station : all) record(station);
            std::size_t total = 0;
            for (const TStation& station : all) total += CollectedLines(root / "collected" / station.Name / "ARCHIVE");
            if (total >= backlog) delivered = std::chrono::duration<double>(Clock::now() - back).count();
            std::this_thread::sleep_for(std::chrono::seconds(1));
        }
        std::printf("outage of %d s (%d lines per station): backlog delivered %.1f s after the broker's return\n",
                    outage, outage, delivered);
    }

    for (TStation& station : all) station.Publisher->Stop();
    CollectorPid = -1;
    Stop(collectorPid, SIGTERM);
    StopBroker();
    const auto at = [](std::vector<double>& values, double share) {
        std::sort(values.begin(), values.end());
        return values.empty() ? -1.0 : values[std::min(values.size() - 1, std::size_t(share * double(values.size())))];
    };
    std::printf("%d stations at 1 line/s for %d s: the collector recorded %.0f lines/s using %.1f %% of one "
                "core (%.1f %% per 1,000 lines/s)\n",
                stations, seconds, linesPerSecond, 100.0 * cpu / wall, 100.0 * cpu / wall * 1000.0 / linesPerSecond);
    std::printf("latency archive write -> collector archive: median %.3f s, 99th percentile %.3f s (%zu lines)\n",
                at(latencies, 0.5), at(latencies, 0.99), latencies.size());
    std::printf("  in the first %d s, every station new to the collector: median %.3f s, 99th percentile %.3f s\n",
                warmup, at(warmupLatencies, 0.5), at(warmupLatencies, 0.99));
    std::error_code ignored;
    fs::remove_all(root, ignored);
    fs::remove_all(stationRoot, ignored);
    return 0;
}
