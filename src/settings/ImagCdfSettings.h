#pragma once
// The station's ImagCDF products: which day files a run writes and the texts the format needs
// that the station does not already keep. The IAGA code, the position (latitude, longitude,
// elevation) and the sensor's orientation are those of the IAGA-2002 settings, one place for
// each fact.

#include "settings/IagaHeader.h"

#include <string>
#include <vector>

struct TImagCdfSettings {
    bool SecondFiles = false;
    bool MinuteFiles = false;
    std::string Institution;
    std::string ObservatoryName;  // empty: the IAGA-2002 station name
    std::string Source = "institute";
    std::string TermsOfUse;
    std::string PublicationLevel = "1";  // the station's data is raw, as recorded
    std::string StandardLevel = "None";
    std::string StandardName;      // the standard a Partial or Full level refers to
    std::string PartialStandDesc;  // the parts of it a Partial level meets

    bool operator==(const TImagCdfSettings&) const = default;
};

// The observatory's name as the files give it: ObservatoryName, or the IAGA-2002 station name.
std::string EffectiveObservatoryName(const TImagCdfSettings& settings, const TIagaHeader& iaga);

// Every rule broken, each with its key (IAGA2002 or ImagCDF) and what is expected: the IAGA-2002
// header's own rules and Reported matching the sensor's components, an institution and an observatory name given, Source one of "institute",
// "INTERMAGNET", "WDC", PublicationLevel 1 to 4, StandardLevel "None", "Partial" (with a
// StandardName and a PartialStandDesc) or "Full" (with a StandardName), and printable ASCII in
// every text. Empty when the files can be written.
std::vector<TIagaProblem> CheckImagCdfSettings(const std::string& code, const TIagaHeader& iaga,
                                               const TImagCdfSettings& settings);
