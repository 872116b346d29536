#pragma once

#include "acquisition/DateTime.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// A line of the file that is not an instrument line.
struct TBadLine {
    std::uint64_t LineNumber = 0;       // 1-based, in the file
    std::uint64_t GoodLinesBefore = 0;  // the count the viewer reports: "Error detected in line: n"
};

// A data file as columns: one entry per good line, in file order.
struct TLoadedData {
    std::vector<TDateTime> Times;
    std::array<std::vector<double>, 5> Values;  // Bx, By, Bz, then the two auxiliary channels
    std::uint64_t GoodLines = 0;
    std::uint64_t BadLineCount = 0;
    std::vector<TBadLine> BadLines;  // the first ones, up to the loader's limit, in file order
    std::string FirstBadLineText;    // without its line end
    std::string FirstBadLineReason;  // the conversion error, e.g. "'x' is not a valid integer value"
    bool TimesAscending = true;      // every time is at least the one before it
    bool Cancelled = false;          // the load was abandoned; the columns are then empty
};
