#pragma once
// The programs and processes a bench starts (a broker, a collector, generator processes) and
// the folders it makes, none of which may outlive it however it ends: its return, exit(), a
// failure, SIGINT or SIGTERM, a crash, or even SIGKILL (its children are started to die with it).

#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

// Call first in main, before any thread starts: SIGINT and SIGTERM then go to a thread of their
// own, which stops every owned process, removes the folders and ends the bench.
void GuardOwnedProcesses();

// Removed at the bench's end, after its processes have stopped.
void RemoveAtExit(const std::filesystem::path& folder);

class TOwnedProcess {
public:
    TOwnedProcess();
    ~TOwnedProcess();  // Stop()
    TOwnedProcess(const TOwnedProcess&) = delete;
    TOwnedProcess& operator=(const TOwnedProcess&) = delete;

    // Runs `arguments` (the program's path first) with its standard output and error appended
    // to `log`. False when it cannot be started or ends within half a second (its log then says
    // why).
    bool Spawn(const std::vector<std::string>& arguments, const std::string& log);
    // Runs `body` in a forked copy of this process, which ends with its return value.
    void Fork(const std::function<int()>& body);

    pid_t Pid() const;
    // True once it has ended by itself (reaped here, `status` its wait status).
    bool Ended(int& status);
    // Sends `signal` and waits; SIGKILL when it has not ended after `patience`. Returns the
    // wait status (-1 when nothing ran).
    int Stop(int signal = SIGTERM, std::chrono::milliseconds patience = std::chrono::seconds(60));

private:
    int FSlot;
};

// A free TCP port on 127.0.0.1.
int FreePort();

std::string ReadLog(const std::filesystem::path& path);

// A program of the same build as this one: `relative` from the build folder (the parent of
// this program's folder); empty when this program's path cannot be read.
std::string ProgramOfThisBuild(const std::filesystem::path& relative);
