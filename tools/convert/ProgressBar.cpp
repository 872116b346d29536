#include "convert/ProgressBar.h"

#include <algorithm>
#include <cmath>
#include <unistd.h>

namespace {

constexpr int BarWidth = 30;
constexpr auto RedrawInterval = std::chrono::milliseconds(100);

// 1234567 -> "1,234,567"
std::string Grouped(std::uint64_t value) {
    std::string digits = std::to_string(value);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), ",");
    return digits;
}

std::string Duration(double seconds) {
    const auto total = static_cast<long long>(std::llround(std::max(0.0, seconds)));
    char text[32];
    if (total >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", total / 3600, total / 60 % 60,
                      total % 60);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", total / 60, total % 60);
    return text;
}

}  // namespace

TProgressBar::TProgressBar(std::FILE* stream, std::uint64_t totalBytes)
    : TProgressBar(stream, totalBytes, ::isatty(::fileno(stream)) == 1) {}

TProgressBar::TProgressBar(std::FILE* stream, std::uint64_t totalBytes, bool terminal)
    : FStream(stream), FTotalBytes(totalBytes), FTerminal(terminal), FStart(TClock::now()),
      FLastDrawing(FStart) {}

std::string TProgressBar::Text(std::uint64_t bytesDone, std::uint64_t totalBytes,
                               std::uint64_t lines, double seconds) {
    const double share =
        totalBytes == 0 ? 1.0 : std::min(1.0, static_cast<double>(bytesDone) / totalBytes);
    const int filled = static_cast<int>(share * BarWidth);
    std::string text = "[" + std::string(static_cast<std::size_t>(filled), '#') +
                       std::string(static_cast<std::size_t>(BarWidth - filled), '-') + "] ";
    char percent[16];
    std::snprintf(percent, sizeof percent, "%5.1f%%", share * 100.0);
    text += percent;
    if (seconds > 0) {
        text += "  " + Grouped(static_cast<std::uint64_t>(lines / seconds)) + " lines/s";
        if (share > 0) text += "  " + Duration(seconds * (1.0 - share) / share) + " left";
    }
    return text;
}

void TProgressBar::Update(std::uint64_t bytesDone, std::uint64_t lines, TClock::time_point now) {
    if (!FTerminal || now - FLastDrawing < RedrawInterval) return;
    FLastDrawing = now;
    const double seconds = std::chrono::duration<double>(now - FStart).count();
    // "\033[K" clears what a longer earlier text left on the line.
    std::fprintf(FStream, "\r%s\033[K", Text(bytesDone, FTotalBytes, lines, seconds).c_str());
    std::fflush(FStream);
    FDrawn = true;
}

void TProgressBar::Clear() {
    if (!FDrawn) return;
    std::fputs("\r\033[K", FStream);
    std::fflush(FStream);
    FDrawn = false;
}
