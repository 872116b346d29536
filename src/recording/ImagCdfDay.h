#pragma once
// One ImagCDF (INTERMAGNET's CDF exchange format, version 1.2) day file of vector data: the
// three field elements of the station's sensor and their time stamps, one record per second or
// per minute of the UTC day, missing samples as the fill value, with the global and variable
// attributes the format asks for. The file is made whole from a day's values.

#include "settings/IagaHeader.h"
#include "settings/ImagCdfSettings.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// What the files say of the observatory and the data; the station's settings fill it.
struct TImagCdfHeader {
    std::string IagaCode;          // three letters or digits, as written (upper case)
    std::string ElementsRecorded;  // the vector elements, "XYZ" or "HEZ"
    std::string VectorSensOrient;  // the sensor's orientation, "XYZ" or "HEZ" for example
    std::string ObservatoryName;
    std::string Institution;
    std::string Source = "institute";
    std::string TermsOfUse;        // left out when empty
    std::string PublicationLevel = "1";
    std::string StandardLevel = "None";
    std::string StandardName;      // left out when empty
    std::string PartialStandDesc;  // left out when empty
    double Latitude = 0;           // degrees north
    double Longitude = 0;          // degrees east, 0 .. 360
    double Elevation = 99999.0;    // metres; 99999.0 when not known
};

// The header from the station's settings (checked with CheckImagCdfSettings): the code, the
// position and the sensor of the IAGA-2002 settings, longitude written east from 0 to 360, the
// elements recorded the first three of the IAGA-2002 Reported ("XYZ" or "HEZ"; F is not measured).
TImagCdfHeader ImagCdfHeaderFrom(const std::string& code, const TIagaHeader& iaga,
                                 const TImagCdfSettings& settings);

// The fill value of a missing sample, beyond every valid field strength.
inline constexpr double ImagCdfFillValue = 99999.0;

struct TImagCdfDay {
    std::int64_t Day = 0;      // the UTC day, in days since 1899-12-30 (as TRecordStamp)
    std::int32_t Interval = 1; // seconds between records: 1 or 60
    // One value triple per record of the day (86,400 or 1,440), ImagCdfFillValue where missing.
    std::vector<std::array<double, 3>> Values;
};

// The file name the format gives a day's file that starts at 00:00: the IAGA code in lower
// case, the date, the start time to the cadence's precision, the publication level:
// "abc_20240105_000000_1.cdf" (seconds), "abc_20240105_0000_1.cdf" (minutes).
std::string ImagCdfFileName(const TImagCdfHeader& header, const TImagCdfDay& day);

// The file's bytes. `publicationDate` is written as PublicationDate (POSIX seconds): the caller
// gives a time the data fixes (the end of the day written), so that every writer of the same
// data writes the same file.
std::string ImagCdfDayFile(const TImagCdfHeader& header, const TImagCdfDay& day,
                           std::int64_t publicationDate);
