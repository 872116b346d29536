// The instrument line parser on arbitrary text: it either builds a packet that keeps the line
// as given, or raises a conversion error; nothing else (no crash, no other exception, no
// undefined behaviour).

#include "acquisition/LogicalPacket.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);
    try {
        const TLogicalPacket packet(line, TBadLineReport::Silent);
        if (packet.Line() != line) std::abort();
        if (!std::isfinite(packet.TimeStamp())) std::abort();
    } catch (const std::exception&) {
        // A line that does not parse: the reader drops it.
    }
    return 0;
}
