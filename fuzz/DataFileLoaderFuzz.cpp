// A file picked for viewing may hold anything: the loader either returns columns that match
// its counts or refuses the file with the station's own errors, never anything worse.

#include "FuzzInputFile.h"
#include "station/DataFileLoader.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& name = FuzzInputFileName(".orv");
    if (!WriteFuzzInput(name, data, size)) return 0;
    TLoadOptions options;
    options.BlockSize = 64;  // small blocks put line ends on block edges
    options.MaxListedBadLines = 8;
    try {
        const TLoadedData loaded = LoadDataFile(name, options);
        if (loaded.Times.size() != loaded.GoodLines) std::abort();
        for (const auto& column : loaded.Values)
            if (column.size() != loaded.GoodLines) std::abort();
        if (loaded.BadLines.size() > options.MaxListedBadLines) std::abort();
    } catch (const std::exception&) {
        // Refused: not a data file, or it could not be read.
    }
    return 0;
}
