#pragma once
// Whether the components a product writes are those the sensor measures. The station writes the
// instrument's three channels as they come, so a file may only name the components the sensor
// is set up in: relabelling X and Y as H and E, or writing Y in nT where INTERMAGNET expects D
// in minutes of arc, would give plausible numbers that are wrong.

#include "settings/IagaHeader.h"

#include <optional>
#include <string>

// The sensor's three components in capitals: SensorOrientation's first three letters, or the
// first three of Reported when it is empty. HDZ and HEZ name the same set-up (the second axis
// points east and measures in nT).
std::string SensorComponents(const TIagaHeader& header);

// IAGA-2002: Reported XYZF needs an XYZ sensor, HEZF an HEZ (or HDZ) one. Key "Reported".
std::optional<TIagaProblem> CheckReportedComponents(const TIagaHeader& header);
// INTERMAGNET: COMP XYZF needs an XYZ sensor, HDZF an HDZ (or HEZ) one; other COMP texts are not
// judged here. Key "COMP".
std::optional<TIagaProblem> CheckIntermagnetComponents(const std::string& comp,
                                                       const TIagaHeader& header);
