#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

// A one-line progress bar on a terminal: the share done, lines per second and the time left,
// redrawn in place at most ten times a second. Draws nothing when its stream is not a terminal,
// so that logs and pipes get only the summary.
// Thread rule: used by one thread.
class TProgressBar {
public:
    using TClock = std::chrono::steady_clock;

    TProgressBar(std::FILE* stream, std::uint64_t totalBytes);
    // For tests: `terminal` says whether to draw, whatever the stream is.
    TProgressBar(std::FILE* stream, std::uint64_t totalBytes, bool terminal);

    // Cheap to call often: draws only when a tenth of a second has passed since the last drawing.
    void Update(std::uint64_t bytesDone, std::uint64_t lines, TClock::time_point now = TClock::now());
    // Removes the bar, leaving the line empty for the summary.
    void Clear();

    // The bar's text for the given state (without the carriage return), for drawing and tests.
    static std::string Text(std::uint64_t bytesDone, std::uint64_t totalBytes, std::uint64_t lines,
                            double seconds);

private:
    std::FILE* FStream;
    std::uint64_t FTotalBytes;
    bool FTerminal;
    bool FDrawn = false;
    TClock::time_point FStart;
    TClock::time_point FLastDrawing;
};
