#pragma once

#include "recording/ArchiveConversion.h"

#include <string>
#include <vector>

// What a conversion has to tell its user, line by line: products left out, the first refused
// lines, failures, and the counts. The files written are listed by the caller (all of them on a
// terminal, a count in a box).
std::vector<std::string> ConversionReportLines(const TConversionSummary& summary);
