#pragma once
// Where the station keeps its settings file.

#include <string>

// The executable's path with its extension replaced by ".ini" ("orvant3k" -> "orvant3k.ini",
// "station.exe" -> "station.ini") when the executable's folder is writable; otherwise
// "$XDG_CONFIG_HOME/orvant3k/orvant3k.ini" (an unset or relative XDG_CONFIG_HOME means
// "~/.config"), whose folder is created here. When that folder cannot be created the name is
// still returned: reads then give the defaults and the first write reports the reason.
std::string DefaultSettingsFileName(const std::string& executablePath);

// The running program's own file (/proc/self/exe); empty when it cannot be found.
std::string ExecutablePath();
