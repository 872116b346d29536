#include "network/ArchiveLine.h"

#include "acquisition/ComPortThread.h"
#include "acquisition/LogicalPacket.h"

std::string ArchiveLineFault(const std::string& line, TDateTime& stamp, std::array<double, 5>& values) {
    if (line.size() != TComPortThread::LineLength)
        return std::to_string(line.size()) + " characters, not " + std::to_string(TComPortThread::LineLength);
    for (const char c : line)
        if (c < 0x20 || c > 0x7e) return "a control character or a character that is not ASCII";
    if (!TryParseInstrumentLine(line, stamp, values)) return "not an instrument line";
    return {};
}

std::string ArchivePathInStation(const std::string& path) {
    // The last four parts: ARCHIVE, year, month, name.
    std::size_t start = path.size();
    for (int part = 0; part < 4; ++part) {
        if (start == 0 || start == std::string::npos) return path;
        start = path.rfind('/', start - 1);
    }
    const std::size_t from = start == std::string::npos ? 0 : start + 1;
    return path.compare(from, 8, "ARCHIVE/") == 0 ? path.substr(from) : path;
}
