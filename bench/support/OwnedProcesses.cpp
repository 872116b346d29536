#include "OwnedProcesses.h"

#include <arpa/inet.h>
#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <mutex>
#include <netinet/in.h>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Plain atomics, so that a crash's signal handler may read them.
constexpr std::size_t MaxOwned = 64;
std::array<std::atomic<pid_t>, MaxOwned> OwnedPids{};
std::array<std::atomic<bool>, MaxOwned> SlotTaken{};
pid_t BenchPid = 0;

std::mutex FoldersLock;
std::vector<fs::path> Folders;

void RemoveFolders() {
    std::lock_guard<std::mutex> lock(FoldersLock);
    for (const fs::path& folder : Folders) {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
    Folders.clear();
}

void StopAll(int signal) {
    for (auto& slot : OwnedPids)
        if (const pid_t pid = slot.exchange(-1); pid > 0) {
            ::kill(pid, signal);
            ::waitpid(pid, nullptr, 0);
        }
}

void AtExit() {
    if (::getpid() != BenchPid) return;  // a forked generator leaves them to the bench
    StopAll(SIGTERM);
    RemoveFolders();
}

void OnCrash(int signal) {
    // Only what a signal handler may do; then the signal takes its course.
    for (auto& slot : OwnedPids)
        if (const pid_t pid = slot.exchange(-1); pid > 0) ::kill(pid, SIGKILL);
    std::signal(signal, SIG_DFL);
    ::raise(signal);
}

sigset_t EndingSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    return signals;
}

// In a new child: die with the bench, and take signals as a program normally does.
void BecomeChild(pid_t parent) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) ::_exit(1);  // the bench ended before the line above
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    for (const int signal : {SIGSEGV, SIGABRT, SIGBUS}) std::signal(signal, SIG_DFL);
}

}  // namespace

void GuardOwnedProcesses() {
    BenchPid = ::getpid();
    std::atexit(AtExit);
    for (const int signal : {SIGSEGV, SIGABRT, SIGBUS}) std::signal(signal, OnCrash);
    const sigset_t signals = EndingSignals();
    ::pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::thread([signals] {
        int signal = 0;
        ::sigwait(&signals, &signal);
        std::fprintf(stderr, "\nstopped by signal %d: stopping the broker and the collector\n", signal);
        StopAll(SIGTERM);
        RemoveFolders();
        ::_exit(128 + signal);
    }).detach();
}

void RemoveAtExit(const fs::path& folder) {
    std::lock_guard<std::mutex> lock(FoldersLock);
    Folders.push_back(folder);
}

TOwnedProcess::TOwnedProcess() : FSlot(-1) {
    for (std::size_t slot = 0; slot < MaxOwned; ++slot)
        if (!SlotTaken[slot].exchange(true)) {
            FSlot = int(slot);
            OwnedPids[slot] = -1;
            return;
        }
    throw std::runtime_error("too many processes owned by the bench");
}

TOwnedProcess::~TOwnedProcess() {
    Stop();
    SlotTaken[std::size_t(FSlot)] = false;
}

pid_t TOwnedProcess::Pid() const { return OwnedPids[std::size_t(FSlot)]; }

bool TOwnedProcess::Spawn(const std::vector<std::string>& arguments, const std::string& log) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) return false;
    if (pid == 0) {
        // Only async-signal-safe calls until exec: the bench may have threads.
        BecomeChild(parent);
        const int output = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (output >= 0) {
            ::dup2(output, 1);
            ::dup2(output, 2);
        }
        ::execv(argv[0], argv.data());
        static constexpr char Failed[] = "cannot run the program\n";
        [[maybe_unused]] const ssize_t written = ::write(2, Failed, sizeof Failed - 1);
        ::_exit(127);
    }
    OwnedPids[std::size_t(FSlot)] = pid;
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    if (::waitpid(pid, nullptr, WNOHANG) == pid) {
        OwnedPids[std::size_t(FSlot)] = -1;
        return false;
    }
    return true;
}

void TOwnedProcess::Fork(const std::function<int()>& body) {
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("cannot fork");
    if (pid == 0) {
        BecomeChild(parent);
        const int status = body();
        std::fflush(stdout);
        ::_exit(status);
    }
    OwnedPids[std::size_t(FSlot)] = pid;
}

bool TOwnedProcess::Ended(int& status) {
    const pid_t pid = Pid();
    if (pid <= 0 || ::waitpid(pid, &status, WNOHANG) != pid) return false;
    OwnedPids[std::size_t(FSlot)] = -1;
    return true;
}

int TOwnedProcess::Stop(int signal, std::chrono::milliseconds patience) {
    const pid_t pid = OwnedPids[std::size_t(FSlot)].exchange(-1);
    if (pid <= 0) return -1;
    ::kill(pid, signal);
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return status;
}

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

std::string ReadLog(const fs::path& path) {
    std::ifstream file(path);
    return std::string((std::istreambuf_iterator<char>(file)), {});
}

std::string ProgramOfThisBuild(const fs::path& relative) {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    return error ? std::string() : (self.parent_path().parent_path() / relative).string();
}
