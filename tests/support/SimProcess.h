#pragma once
// Runs the simulator program (or another of the built programs) as a child process for
// whole-program tests: reads the device path it prints on its first line, collects its standard
// error, sends it signals and waits for its exit code.
//
//   TSimProcess sim(ORVANT_SIMULATOR_PROGRAM, {"--fast", "--count", "10"});
//   TDeviceReader reader(sim.DevicePath());
//   ...
//   EXPECT_EQ(sim.Wait(), 0);

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

// The built simulator; test programs get ORVANT_BIN_DIR from the test build.
#ifdef ORVANT_BIN_DIR
#define ORVANT_SIMULATOR_PROGRAM (ORVANT_BIN_DIR "/tools/orvant3k-sim")
#endif

// A child still running when the object goes is killed and reaped.
// Thread rule: one thread uses an object.
class TSimProcess {
public:
    static constexpr int TimedOut = -1;

    // Starts `program` with the arguments (without the program name); std::runtime_error when it
    // cannot be started.
    TSimProcess(const std::string& program, const std::vector<std::string>& arguments);
    ~TSimProcess();
    TSimProcess(const TSimProcess&) = delete;
    TSimProcess& operator=(const TSimProcess&) = delete;

    // The first line of its standard output, waited for; empty when it ended or the time-out
    // passed first.
    std::string DevicePath(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Everything on its standard output so far (all of it once it has ended).
    std::string Output();
    // Everything on its standard error so far (all of it once it has ended).
    std::string ErrorOutput() const;

    void Signal(int signal) const;
    // Its exit code once it has ended, 128 + the signal when a signal killed it, TimedOut when
    // it still runs after the time-out.
    int Wait(std::chrono::milliseconds timeout = std::chrono::seconds(20));
    // SIGTERM, then Wait.
    int Stop(std::chrono::milliseconds timeout = std::chrono::seconds(20));
    bool Running();
    pid_t Pid() const { return FPid; }

private:
    // Reads its standard output until the deadline, its end, or (if asked) the first line end.
    void ReadOutput(std::chrono::steady_clock::time_point deadline, bool untilFirstLine);

    pid_t FPid = -1;
    int FOutput = -1;       // read end of its standard output
    int FErrorOutput = -1;  // an unlinked temporary file holding its standard error
    bool FOutputEnded = false;
    std::string FOutputText;
    bool FEnded = false;
    int FExitCode = TimedOut;
};
