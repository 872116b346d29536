#pragma once
// What a run with given settings will do, in the words the headless start line and the settings
// check use: the operator sees every product, and the network, before any data is at stake.

#include "station/AcquisitionRun.h"

#include <string>
#include <vector>

struct TStationSettings;

// The run's settings from the station's record, the network's station name filled in.
TRunSettings RunSettingsOf(const TStationSettings& settings);

// "archive in ARCHIVE/, INTERMAGNET one-minute values with 91 filter coefficients in
// INTERMAGNET/, IAGA-2002 one-second and one-minute files in IAGA2002/, ImagCDF off, network
// broker:1883 as ABC under orvant3k/v1/",
// each product "off" when it is.
std::string ProductsText(const TStationSettings& settings);

// What the run's writers will refuse at its start (header rules, minute files beside
// five-second values), exactly as the run reports it; empty when every product asked for works.
std::vector<std::string> RefusedProducts(const TStationSettings& settings);
