// The station's settings file as it may be found on disk, damaged or hand-edited: reading it
// into the settings record and the serial device map either works or raises the station's own
// errors (a value out of range), never anything worse.

#include "FuzzInputFile.h"
#include "acquisition/ProfileFile.h"
#include "settings/SerialDeviceSettings.h"
#include "settings/StationSettings.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& name = FuzzInputFileName(".ini");
    if (!WriteFuzzInput(name, data, size)) return 0;
    const TProfileFile profile(name);
    TStationSettings settings;
    try {
        LoadStationSettings(settings, profile);
    } catch (const std::exception&) {
        // The keys read so far count, as in the station.
    }
    try {
        (void)LoadSerialDevices(profile);
    } catch (const std::exception&) {
    }
    (void)profile.ReadSection("Filter");
    return 0;
}
