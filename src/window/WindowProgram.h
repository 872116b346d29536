#pragma once
// The station with its windows, as one program run: fixed formats, the windows, the notifier
// built on message boxes and the status bar, the stop signals, and the event loop.

#include <string>

struct TWindowProgramOptions {
    std::string SettingsFile;   // the settings file to read and write
    std::string PortDevice;     // when set, every COM name opens this device for this run
    std::string FirstArgument;  // "START" or a file to view, acted on after the restore
    std::string DataFolder;     // when set, the data trees go here whatever the settings say
};

// Records into the data folder: DataFolder, else the settings' [Options] DataFolder, else the
// user's documents folder, so that a start from the desktop menu does not record into the home
// folder; the status bar says where. Runs until the main window is closed, or until SIGINT or
// SIGTERM, which stop acquisition without asking (every received line recorded, files closed),
// save the settings and end the program even while a box or dialog is open. Needs the
// QApplication. Returns the exit code.
int RunWindowProgram(const TWindowProgramOptions& options);
