// Sustained end-to-end rate of the headless recorder: a pseudo-terminal fed as fast as it takes
// the lines, the built station program reading, recording archive and INTERMAGNET files (91
// coefficients) and, unless --no-iaga is given, IAGA-2002 second and minute files. Reports lines
// per second from the first byte to the last line in the archive, and checks that every line
// arrived.
//
//   bench/HeadlessRateBench [lines] [--no-iaga]   (run from the build folder)

#include "instrument/LineSource.h"
#include "instrument/StampTime.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <pty.h>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::uint64_t ArchiveLines(const fs::path& root) {
    std::uint64_t lines = 0;
    if (!fs::exists(root)) return 0;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file()) lines += entry.file_size() / 63;
    return lines;
}

}  // namespace

int main(int argc, char* argv[]) {
    const std::uint64_t count = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 500000;
    const bool iaga = !(argc > 2 && std::string(argv[2]) == "--no-iaga");
    const fs::path build = fs::current_path();
    const fs::path work = fs::temp_directory_path() / ("orvant-rate-" + std::to_string(getpid()));
    fs::create_directories(work);
    {
        std::ofstream settings(work / "station.ini");
        settings << "[Intermagnet]\nIDC=BEN\nCOLA=0402\nLONG=0245\nDECBAS=0\n";
        std::ifstream filter(fs::path(ORVANT_SOURCE_DIR) / "filters/gaussian-1s-to-1min-91.filter");
        settings << filter.rdbuf();
        if (iaga)
            settings << "\n[IAGA2002]\nSecondFiles=1\nMinuteFiles=1\nLatitude=45\nLongitude=10\n"
                        "Elevation=0\n";
    }
    int master = -1, slave = -1;
    char name[256];
    termios raw{};
    cfmakeraw(&raw);
    if (openpty(&master, &slave, name, &raw, nullptr) != 0) return 1;

    const pid_t station = fork();
    if (station == 0) {
        fs::current_path(work);
        const std::string program = (build / "src/orvant3k").string();
        execl(program.c_str(), program.c_str(), "--headless", "--port", name, "--settings",
              "station.ini", static_cast<char*>(nullptr));
        _exit(127);
    }
    std::this_thread::sleep_for(std::chrono::seconds(1));  // until the reader reads

    const TLineSource source(StampOf(EncodeDateTime(2024, 3, 1, 0, 0, 0)), TLineRate(1, 1),
                             TLineEnd::CrLf, 0);
    std::string block;
    const auto start = std::chrono::steady_clock::now();
    for (std::uint64_t line = 0; line < count; ++line) {
        block += source.Bytes(line);
        if (block.size() > 60000 || line + 1 == count) {
            for (std::size_t done = 0; done < block.size();) {
                const ssize_t written = write(master, block.data() + done, block.size() - done);
                if (written > 0) done += static_cast<std::size_t>(written);
            }
            block.clear();
        }
    }
    const auto written = std::chrono::steady_clock::now();
    while (ArchiveLines(work / "ARCHIVE") < count) {
        if (std::chrono::steady_clock::now() - written > std::chrono::seconds(60)) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const auto recorded = std::chrono::steady_clock::now();
    kill(station, SIGTERM);
    int status = 0;
    waitpid(station, &status, 0);
    const std::uint64_t lines = ArchiveLines(work / "ARCHIVE");
    const double seconds = std::chrono::duration<double>(recorded - start).count();
    std::printf("IAGA-2002 %s: lines sent %llu, recorded %llu, %.2f s, %.0f lines/s, exit %d\n",
                iaga ? "on" : "off", static_cast<unsigned long long>(count),
                static_cast<unsigned long long>(lines), seconds, lines / seconds,
                WEXITSTATUS(status));
    fs::remove_all(work);
    return lines == count ? 0 : 1;
}
