#include "recording/ConversionReport.h"

std::vector<std::string> ConversionReportLines(const TConversionSummary& summary) {
    std::vector<std::string> lines;
    for (const std::string& notice : summary.Notices) lines.push_back("note: " + notice);
    for (const TRefusedLine& line : summary.FirstRefusedLines)
        lines.push_back("refused: " + line.Path + ":" + std::to_string(line.LineNumber) + ": " +
                        line.Text);
    if (summary.LinesRefused > summary.FirstRefusedLines.size())
        lines.push_back("refused: " +
                        std::to_string(summary.LinesRefused - summary.FirstRefusedLines.size()) +
                        " more lines");
    if (summary.LinesRepeated > 0)
        lines.push_back("repeated: " + std::to_string(summary.LinesRepeated) +
                        " lines stamped like the line before them, left out");
    for (const std::string& failure : summary.Failures) lines.push_back("error: " + failure);
    if (summary.Stopped) lines.push_back("error: stopped: too many samples could not be written");
    if (summary.Cancelled) lines.push_back("cancelled: the files written so far are kept");
    lines.push_back("lines read: " + std::to_string(summary.LinesRead) +
                    ", lines refused: " + std::to_string(summary.LinesRefused) +
                    ", files written: " + std::to_string(summary.FilesWritten.size()));
    return lines;
}
