#pragma once
// How one run of the simulated instrument behaves.

#include "acquisition/DateTime.h"
#include "instrument/LineRate.h"
#include "instrument/LineSource.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct TSimulatorOptions {
    // Write to this existing device (a serial port, a pseudo-terminal, or any writable file);
    // empty: create a pseudo-terminal.
    std::string DevicePath;
    // With a pseudo-terminal: also a symbolic link here to its device (empty: none).
    std::string LinkPath;
    // The pseudo-terminal is for the recorder service: its device belongs to the group dialout
    // with mode 0660 (the service's user is in that group), and the link's folder is made.
    bool ForService = false;
    // Lines per second; the stamps advance by one period per line.
    TLineRate Rate;
    // As fast as the device takes the lines; the stamps advance by one second per line.
    bool Fast = false;
    // The first time stamp; none: the current local time, cut to the whole second.
    std::optional<TDateTime> Start;
    // Lines to send before finishing (once the device has taken them all); 0: until stopped.
    std::uint64_t Count = 0;
    TLineEnd LineEnd = TLineEnd::CrLf;
    // Every N-th line is bad (see TLineSource); 0: none.
    std::uint64_t BadEvery = 0;
    // The noise of the simulated field.
    std::uint64_t Seed = 0;
};

// "YYYY-MM-DD hh:mm:ss" exactly, a valid date and time; else EConvertError naming the text.
TDateTime ParseStartTime(std::string_view text);
// "crlf", "cr" or "lfcr"; else EConvertError.
TLineEnd ParseLineEnd(std::string_view text);
