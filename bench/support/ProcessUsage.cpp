#include "ProcessUsage.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// From a /proc stat file: the CPU time in seconds, and the name.
double StatCpuSeconds(const std::string& path, std::string* name = nullptr) {
    std::ifstream stat(path);
    const std::string text((std::istreambuf_iterator<char>(stat)), {});
    // The name in parentheses may hold spaces: the fields are counted after its end.
    const std::size_t open = text.find('('), at = text.rfind(')');
    if (open == std::string::npos || at == std::string::npos) return 0;
    if (name) *name = text.substr(open + 1, at - open - 1);
    std::istringstream fields(text.substr(at + 1));
    std::vector<std::string> field{std::istream_iterator<std::string>(fields), {}};
    // utime and stime are fields 14 and 15 of the whole line, 12 and 13 after the name.
    if (field.size() < 13) return 0;
    return (std::stod(field[11]) + std::stod(field[12])) / double(::sysconf(_SC_CLK_TCK));
}

}  // namespace

double CpuSeconds(pid_t pid) { return StatCpuSeconds("/proc/" + std::to_string(pid) + "/stat"); }

std::map<std::string, double> ThreadCpuSeconds(pid_t pid) {
    std::map<std::string, double> threads;
    const std::filesystem::path tasks = "/proc/" + std::to_string(pid) + "/task";
    std::string program;
    StatCpuSeconds((tasks.parent_path() / "stat").string(), &program);
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
        std::string name;
        const double seconds = StatCpuSeconds((task.path() / "stat").string(), &name);
        // A thread nobody named carries the program's name.
        threads[task.path().filename() == std::to_string(pid) ? "main" : name == program ? "unnamed" : name] += seconds;
    }
    return threads;
}

long ResidentKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return 0;
}

double MachineBusySeconds() {
    std::ifstream stat("/proc/stat");
    std::string cpu;
    // user nice system idle iowait irq softirq steal
    long long user = 0, nice = 0, system = 0, idle = 0, iowait = 0, irq = 0, softirq = 0, steal = 0;
    stat >> cpu >> user >> nice >> system >> idle >> iowait >> irq >> softirq >> steal;
    return double(user + nice + system + irq + softirq + steal) / double(::sysconf(_SC_CLK_TCK));
}
