#pragma once
// `orvant3k --check-settings`: the settings file read exactly as a run reads it, what the run
// would do, and every problem in it. The service runs it before each start, so that
// `systemctl status` shows why a start was refused instead of a recorder that runs on defaults.

#include <cstdio>
#include <string>

// Prints the plan and the problems to `out`; 0 when there is no problem, 1 otherwise.
// `dataFolder` is the command line's, which goes before the settings' one.
int CheckStationSettings(const std::string& settingsFile, const std::string& portDevice,
                         const std::string& dataFolder, std::FILE* out);
