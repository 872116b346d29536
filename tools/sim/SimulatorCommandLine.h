#pragma once
// The simulator program's command line:
// orvant3k-sim [--device PATH | --link PATH] [--rate HZ | --fast]
//              [--start "YYYY-MM-DD hh:mm:ss"] [--count N] [--line-end crlf|cr|lfcr] [--bad-every N]

#include "acquisition/RuntimeErrors.h"
#include "instrument/SimulatorOptions.h"

#include <string>
#include <vector>

struct TSimulatorCommand {
    enum class TAction { Run, Help, Version };
    TAction Action = TAction::Run;
    TSimulatorOptions Options;
};

// The arguments after the program name; EUsageError when they are not valid.
TSimulatorCommand ParseSimulatorCommandLine(const std::vector<std::string>& arguments);
// The usage and option summary, several lines ending with a line end.
std::string SimulatorUsage();
