// The simulated ORVANT-3K instrument as a program, for tests, demonstrations and bench work.
#include "instrument/SimulatedInstrument.h"
#include "sim/SimulatorCommandLine.h"

#include <csignal>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#ifndef ORVANT_VERSION
#define ORVANT_VERSION "unknown"
#endif

namespace {

constexpr int ExitUsage = 2;
constexpr int ExitFailure = 1;

// The signals that end a run cleanly: the link is removed and the exit code is 0.
sigset_t EndingSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&signals, signal);
    return signals;
}

// Runs until the instrument finishes by itself or an ending signal arrives.
void WaitForEnd(const TSimulatedInstrument& instrument, const sigset_t& signals) {
    const timespec look{0, 50 * 1000 * 1000};
    while (!instrument.Finished())
        if (sigtimedwait(&signals, nullptr, &look) > 0) return;
}

}  // namespace

int main(int argc, char** argv) {
    TSimulatorCommand command;
    try {
        command = ParseSimulatorCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const EUsageError& error) {
        std::fprintf(stderr, "orvant3k-sim: %s\n\n%s", error.what(), SimulatorUsage().c_str());
        return ExitUsage;
    }
    if (command.Action == TSimulatorCommand::TAction::Help) {
        std::fputs(SimulatorUsage().c_str(), stdout);
        return 0;
    }
    if (command.Action == TSimulatorCommand::TAction::Version) {
        std::puts("orvant3k-sim " ORVANT_VERSION);
        return 0;
    }

    // Blocked before the writer thread starts, so that it inherits the mask and only the wait
    // below takes the signals. A reader going away must show as a write error, not kill us.
    const sigset_t signals = EndingSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    TSimulatedInstrument instrument(command.Options);
    try {
        instrument.Start();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "orvant3k-sim: %s\n", error.what());
        return ExitFailure;
    }
    std::fputs((instrument.DevicePath() + "\n").c_str(), stdout);
    std::fflush(stdout);

    WaitForEnd(instrument, signals);
    instrument.Stop();
    const std::string error = instrument.ErrorText();
    if (!error.empty()) {
        std::fprintf(stderr, "orvant3k-sim: %s\n", error.c_str());
        return ExitFailure;
    }
    return 0;
}
