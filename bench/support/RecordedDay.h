#pragma once
// A recorded day written as the archive writes it, for the loader and viewer benchmarks.

#include "instrument/LineRate.h"

#include <cstdint>
#include <filesystem>

// Writes `lines` simulated lines from 5 January 2024 at `rate`, each ended by CR LF; with
// `fractional` the stamps carry milliseconds ("12.250"), as at the serial line's top rate.
// Streams line by line, so that writing a day does not raise the peak memory.
void WriteRecordedDay(const std::filesystem::path& path, TLineRate rate, std::uint64_t lines,
                      bool fractional);
