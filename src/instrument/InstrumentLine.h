#pragma once
// The instrument's line: "YYYY MM DD hh mm ss" and five values as "%9.2f %9.2f %9.2f %5.1f %5.1f",
// 61 characters without the line end.

#include "acquisition/DateTime.h"

#include <array>
#include <string>

constexpr std::size_t InstrumentLineLength = 61;

// The line for a whole-second time stamp and five values (Bx, By, Bz in nT; Ts, Te in C).
std::string FormatInstrumentLine(TDateTime time, const std::array<double, 5>& values);
