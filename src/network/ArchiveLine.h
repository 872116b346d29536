#pragma once
// What a collector may write into a station's archive: exactly what the station's own archive
// can hold, so that the lines on disk and the station's numbering never disagree (an embedded
// line end would become two lines, a line the archive writer would not take would be counted
// without being written).

#include "acquisition/DateTime.h"

#include <array>
#include <string>

// Empty when `line` is one instrument line (the instrument's length, printable characters, a
// valid stamp and values); otherwise what is wrong with it, in words. `stamp` and `values`
// receive the line's content when it is good.
std::string ArchiveLineFault(const std::string& line, TDateTime& stamp, std::array<double, 5>& values);

// Relative to a station's folder ("ARCHIVE/yyyy/mm/name.orv"): how positions name archive
// files, so that they hold however the output folder is spelled or wherever it is moved.
// Positions of earlier versions, which named the file through the output folder, read the same.
std::string ArchivePathInStation(const std::string& path);
