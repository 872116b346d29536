#pragma once
// Reading back the CDF files the station writes (TCdfFile): version 3, one file, uncompressed,
// little-endian values, scalar zVariables of doubles or TT2000 times, attribute entries of
// texts, doubles or times. Anything else, and any damaged file, is refused with a reason; no
// input makes it read outside the bytes given or loop without end.

#include "recording/CdfFile.h"

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

struct TCdfContents {
    struct TVariable {
        std::string Name;
        TCdfType Type = TCdfType::Double;
        std::vector<double> Doubles;      // the records of a Double variable
        std::vector<std::int64_t> Times;  // the records of a TT2000 variable
        std::map<std::string, TCdfEntry> Attributes;
    };
    std::int32_t LeapSecondTableDate = -1;
    std::map<std::string, std::vector<TCdfEntry>> Globals;  // entries in their numbers' order
    std::vector<TVariable> Variables;                        // in their numbers' order
};

// EConvertError naming what is wrong when `bytes` is not such a file.
TCdfContents ReadCdf(std::string_view bytes);
