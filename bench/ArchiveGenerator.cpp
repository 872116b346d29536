// Writes a simulated archive as the station records it, one line a second, for the converter's
// benchmark: ARCHIVE/yyyy/mm/YYYYMMDD000000.orv, one file a day, each 86,400 lines.
//
//   bench/ArchiveGenerator DIR FIRST-DAY DAYS      e.g.  /tmp/a 2024-01-01 366

#include "acquisition/DateTime.h"
#include "recording/DateFormat.h"
#include "instrument/LineSource.h"
#include "instrument/StampTime.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
    int year = 0, month = 0, day = 0;
    if (argc != 4 || std::sscanf(argv[2], "%d-%d-%d", &year, &month, &day) != 3) {
        std::fputs("usage: ArchiveGenerator DIR YYYY-MM-DD DAYS\n", stderr);
        return 2;
    }
    const std::filesystem::path root(argv[1]);
    const int days = std::atoi(argv[3]);
    const TDateTime first = EncodeDate(year, month, day);
    const TLineSource source(StampOf(first), TLineRate{1, 1}, TLineEnd::CrLf, 0);
    for (int d = 0; d < days; ++d) {
        const TDateTime date = first + d;
        const auto folder = root / ("ARCHIVE/" + FormatDateTime("yyyy/mm", date));
        std::filesystem::create_directories(folder);
        std::ofstream out(folder / (FormatDateTime("yyyymmddhhnnss", date) + ".orv"),
                          std::ios::binary);
        std::string block;
        for (std::uint64_t i = std::uint64_t(d) * 86400; i < std::uint64_t(d + 1) * 86400; ++i)
            block += source.Bytes(i);
        out << block;
    }
    return 0;
}
