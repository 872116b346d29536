#pragma once
// This process's memory, as the benchmarks report it.

// The most the process has held resident so far, in kB.
long PeakResidentKb();

// What the process holds resident now, in kB (0 when /proc cannot be read).
long CurrentResidentKb();
