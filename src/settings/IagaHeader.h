#pragma once
// The header texts of the station's IAGA-2002 files, as the user enters them and the settings
// file keeps them, and the rules they must follow so that every file is one a data centre
// reads. The IAGA code itself is the INTERMAGNET IDC: one setting, passed beside these texts.

#include <optional>
#include <string>

struct TIagaHeader {
    std::string SourceOfData;
    std::string StationName;
    std::string Latitude;   // geodetic, degrees north, -90 .. 90
    std::string Longitude;  // geodetic, degrees east, -180 .. 360 (written 0 .. 360)
    std::string Elevation;  // metres
    // The station's values are in nT, so a declination component is reported as E.
    std::string Reported = "XYZF";
    std::string SensorOrientation;  // empty: the first three letters of Reported
    std::string DigitalSampling = "1 second";

    bool operator==(const TIagaHeader&) const = default;
};

// The orientation written: SensorOrientation, or the first three letters of Reported.
std::string EffectiveSensorOrientation(const TIagaHeader& header);

// A rule a text breaks: the settings key of the field and a message naming the expected form.
struct TIagaProblem {
    std::string Key;
    std::string Text;
};

// The first broken rule, or nothing: the code is three letters or digits; latitude, longitude
// and elevation are numbers ("." decimals) in their ranges; Reported is XYZF or HEZF; the
// orientation is one to four letters; the free texts hold printable ASCII only (the file's
// columns are counted in bytes).
std::optional<TIagaProblem> CheckIagaHeader(const std::string& code, const TIagaHeader& header);

// True when every character is printable ASCII (what fixed-column and CDF texts may hold).
bool IsPrintableAscii(const std::string& text);

// True for exactly three ASCII letters or digits.
bool IsIagaCode(const std::string& code);
