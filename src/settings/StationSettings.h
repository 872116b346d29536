#pragma once
// The settings the main window restores when it is first shown and saves when it closes, and
// that recording reads: port settings, point limit, which channel each graph shows, INTERMAGNET
// options and header, and the filter coefficients. GUI-free, so that the headless recorder
// uses the same record and the same file layout as the window.

#include "acquisition/COMPortSettings.h"
#include "settings/IagaSettings.h"
#include "settings/ImagCdfSettings.h"
#include "settings/IntermagnetHeader.h"
#include "settings/NetworkSettings.h"
#include "settings/SettingsProblem.h"

#include <array>
#include <string>
#include <vector>

class TProfileFile;

// Five graphs, each able to show any of the five channels.
inline constexpr int StationGraphCount = 5;
inline constexpr int StationChannelCount = 5;

// GraphChannels[g][c]: graph g shows the series of channel c.
using TGraphChannels = std::array<std::array<bool, StationChannelCount>, StationGraphCount>;

// Each graph shows its own channel only.
constexpr TGraphChannels DefaultGraphChannels() {
    TGraphChannels channels{};
    for (int g = 0; g < StationGraphCount; ++g) channels[g][g] = true;
    return channels;
}

// When the unattended recorder warns before data is lost.
struct TWarningSettings {
    int NoDataSeconds = 30;      // no line from the instrument for this long
    int ClockDriftSeconds = 5;   // the instrument's time this far from the computer's UTC clock
    int DiskDays = 7;            // fewer days of recording left on the archive's disk

    bool operator==(const TWarningSettings&) const = default;
};

// A default-constructed record holds what a first run (no settings file) reads.
struct TStationSettings {
    TCOMPortSettings PortSettings;
    int MaxPointsOnScreen = 100;  // points kept per series while acquiring; 0 = no live plot
    TGraphChannels GraphChannels = DefaultGraphChannels();
    bool AutoCreateIntermagnet = true;
    int MinuteOr5Seconds = 0;  // 0: one-minute values, else five-second values
    TIntermagnetHeader IntermagnetHeader;
    TIagaSettings Iaga;
    TImagCdfSettings ImagCdf;
    // The coefficients as typed (kept so that they are saved exactly as entered) and their
    // values, element n from key "C<n>". The recording code keeps the process-wide filter
    // arrays; the window copies these into them after a load and back before a save.
    std::vector<std::string> FilterCoefficientTexts;
    std::vector<double> FilterCoefficients;
    TNetworkSettings Network;
    // Read from the file only; the window never writes them.
    std::string DataFolder;  // empty: the program's own default place
    TWarningSettings Warnings;

    bool operator==(const TStationSettings&) const = default;
};

// Reads the record in the main window's restore order: port settings, MaxPointsOnScreen, the
// 25 graph keys, AutoCreateIntermagnet, minuteor5seconds, the six header texts (each cut to its
// maximum length), the IAGA2002 section, then "C<n>" for n = 0, 1, ... while the key exists,
// then the "Network" keys.
//
// A value that cannot be used (a port value that does not fit, a number or a yes or no that
// does not read) is returned as a problem with its section, key and line, and only its field
// takes its default; every other key is read. The filter arrays are replaced only when every
// coefficient converts, so they never hold a half-read set. A TLS value that does not read sets
// the network's Refused reason: the station never falls back to a plain connection. The caller
// decides what a problem means: the window shows IniFileErrorText(file) and the problems in an
// error box and skips its command-line action; the headless recorder refuses to start.
TSettingsProblems LoadStationSettings(TStationSettings& settings, const TProfileFile& file);

// Writes the record in the main window's save order, as one update pass of the file: port
// settings, MaxPointsOnScreen, the 25 graph keys, AutoCreateIntermagnet, minuteor5seconds, the
// header texts, the IAGA2002 section, "C<n>" for every coefficient text, then deletes "C<n>" upward
// from the count while such keys exist, so that no stale coefficient remains, then the "Network"
// keys (Port only when set). ERangeError (a port value above
// 2147483647) stops the save at its key; what was written before it is kept. Write failures
// raise EInOutError.
void SaveStationSettings(const TStationSettings& settings, TProfileFile& file);

// The station's name on the network: StationId, or the IDC when it is empty.
std::string NetworkStationId(const TStationSettings& settings);

// "Error in ini-file:" followed directly by the settings file's full name.
std::string IniFileErrorText(const std::string& fileName);
