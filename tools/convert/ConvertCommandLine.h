#pragma once
// The converter's command line:
// orvant3k-convert [--settings FILE] [--filter FILE] [--from YYYY-MM-DD] [--to YYYY-MM-DD]
//                  [--intermagnet] [--iaga-seconds] [--iaga-minutes] [--imagcdf-seconds]
//                  [--imagcdf-minutes] [--out DIR] PATH...

#include "acquisition/DateTime.h"
#include "acquisition/RuntimeErrors.h"
#include "recording/ArchiveConversion.h"

#include <string>
#include <vector>

struct TConvertCommand {
    enum class TAction { Run, Help, Version };
    TAction Action = TAction::Run;
    std::string SettingsFile;  // empty: the station's own settings place
    std::string FilterFile;    // empty: the settings' coefficients
    TDateTime FromDay = 0;     // 0: from the first line
    TDateTime ToDay = 0;       // 0: to the last line
    TProductChoice Products;   // none chosen: those the settings switch on
    std::string OutputFolder;  // empty: the working directory
    std::vector<std::string> Paths;
};

// The arguments after the program name; EUsageError when they are not valid.
TConvertCommand ParseConvertCommandLine(const std::vector<std::string>& arguments);
// The usage and option summary, several lines ending with a line end.
std::string ConvertUsage();
