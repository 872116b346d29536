#include "SimProcess.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

std::runtime_error SystemError(const std::string& what) {
    return std::runtime_error(what + ": " + std::strerror(errno));
}

}  // namespace

TSimProcess::TSimProcess(const std::string& program, const std::vector<std::string>& arguments) {
    char errorName[] = "/tmp/orvant-sim-stderr-XXXXXX";
    FErrorOutput = mkostemp(errorName, O_CLOEXEC);
    if (FErrorOutput < 0) throw SystemError("mkostemp");
    unlink(errorName);
    int output[2];
    if (pipe2(output, O_CLOEXEC) != 0) throw SystemError("pipe2");
    FOutput = output[0];

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, FErrorOutput, STDERR_FILENO);
    // The child starts with default signal handling and nothing blocked, whatever the test
    // process has set up.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigset_t defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) sigaddset(&defaults, signal);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const int result =
        posix_spawn(&FPid, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(output[1]);
    if (result != 0) {
        close(FOutput);
        close(FErrorOutput);
        errno = result;
        throw SystemError("Could not start " + program);
    }
}

TSimProcess::~TSimProcess() {
    if (Running()) {
        kill(FPid, SIGKILL);
        waitpid(FPid, nullptr, 0);
    }
    close(FOutput);
    close(FErrorOutput);
}

void TSimProcess::ReadOutput(std::chrono::steady_clock::time_point deadline,
                             bool untilFirstLine) {
    while (!FOutputEnded) {
        if (untilFirstLine && FOutputText.find('\n') != std::string::npos) return;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd wait{FOutput, POLLIN, 0};
        const int ready = poll(&wait, 1, static_cast<int>(std::max<long>(0, left.count())));
        if (ready == 0) return;
        if (ready < 0 && errno == EINTR) continue;
        char buffer[4096];
        const ssize_t got = read(FOutput, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            FOutputEnded = true;
            return;
        }
        FOutputText.append(buffer, static_cast<std::size_t>(got));
    }
}

std::string TSimProcess::DevicePath(std::chrono::milliseconds timeout) {
    ReadOutput(std::chrono::steady_clock::now() + timeout, true);
    const std::size_t end = FOutputText.find('\n');
    return end == std::string::npos ? std::string() : FOutputText.substr(0, end);
}

std::string TSimProcess::Output() {
    ReadOutput(std::chrono::steady_clock::now(), false);
    return FOutputText;
}

std::string TSimProcess::ErrorOutput() const {
    std::string text;
    char buffer[4096];
    off_t offset = 0;
    ssize_t got;
    while ((got = pread(FErrorOutput, buffer, sizeof buffer, offset)) > 0) {
        text.append(buffer, static_cast<std::size_t>(got));
        offset += got;
    }
    return text;
}

void TSimProcess::Signal(int signal) const {
    if (!FEnded) kill(FPid, signal);
}

bool TSimProcess::Running() {
    if (FEnded) return false;
    int status = 0;
    const pid_t result = waitpid(FPid, &status, WNOHANG);
    if (result == 0) return true;
    FEnded = true;
    if (result == FPid)
        FExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return false;
}

int TSimProcess::Wait(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (Running()) {
        if (std::chrono::steady_clock::now() >= deadline) return TimedOut;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return FExitCode;
}

int TSimProcess::Stop(std::chrono::milliseconds timeout) {
    Signal(SIGTERM);
    return Wait(timeout);
}
