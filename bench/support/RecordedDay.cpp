#include "RecordedDay.h"

#include "acquisition/DateTime.h"
#include "instrument/LineSource.h"
#include "instrument/StampTime.h"

#include <cstdio>
#include <fstream>
#include <string>

void WriteRecordedDay(const std::filesystem::path& path, TLineRate rate, std::uint64_t lines,
                      bool fractional) {
    const TLineSource source(StampOf(EncodeDateTime(2024, 1, 5, 0, 0, 0)), rate, TLineEnd::CrLf, 0);
    std::ofstream out(path, std::ios::binary);
    char millis[8];
    for (std::uint64_t i = 0; i < lines; ++i) {
        std::string text = source.Text(i);
        if (fractional) {
            // "YYYY MM DD hh mm ss" is 19 characters; the milliseconds follow the seconds.
            std::snprintf(millis, sizeof millis, ".%03d", static_cast<int>(source.Stamp(i) % 1000));
            text.insert(19, millis);
        }
        out << text << "\r\n";
    }
}
