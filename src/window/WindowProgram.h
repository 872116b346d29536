#pragma once
// The station with its windows, as one program run: fixed formats, the windows, the notifier
// built on message boxes and the status bar, the stop signals, and the event loop.

#include <string>

struct TWindowProgramOptions {
    std::string SettingsFile;   // the settings file to read and write
    std::string PortDevice;     // when set, every COM name opens this device for this run
    std::string FirstArgument;  // "START" or a file to view, acted on after the restore
};

// Needs the QApplication. Runs until the main window is closed, or until SIGINT or SIGTERM,
// which stop acquisition without asking (every received line recorded, files closed), save the
// settings and end the program even while a box or dialog is open. Returns the exit code.
int RunWindowProgram(const TWindowProgramOptions& options);
