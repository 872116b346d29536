#pragma once
// The stored mapping of user-facing port names ("COM1") to this computer's serial devices,
// section "SerialDevices" of the settings file (for example COM1=/dev/ttyUSB0). The caller
// applies the loaded map to the process-wide device table.

#include <map>
#include <string>

class TProfileFile;

// COM number (1 for "COM1") -> device path.
using TSerialDeviceMap = std::map<int, std::string>;

// Every "COM<n>" key of the section (n >= 1, spelled without leading zeros, any letter case)
// with a non-empty value; other keys are ignored. A missing file or section gives an empty map.
TSerialDeviceMap LoadSerialDevices(const TProfileFile& file);

// Stores the device for "COM<comNumber>"; an empty path deletes the key, so that the port goes
// back to the platform's default device. A COM number below 1 raises ERangeError; a path of
// more than one line raises std::invalid_argument; write failures raise EInOutError.
void SaveSerialDevice(TProfileFile& file, int comNumber, const std::string& path);
