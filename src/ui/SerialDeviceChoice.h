#pragma once
// Which device each user-facing port name "COM<n>" uses, as the options dialog edits it: the
// stored map's entry, else the platform's default device. GUI-free.

#include "acquisition/SerialDevices.h"
#include "settings/SerialDeviceSettings.h"

#include <string>
#include <utility>
#include <vector>

// The device "COM<n>" uses with the map.
std::string MappedSerialDevice(const TSerialDeviceMap& devices, int comNumber);
// Sets the device of "COM<n>"; an empty path (blanks around it are dropped) or the default
// device removes the entry, so that the port follows the platform's default again.
void SetMappedSerialDevice(TSerialDeviceMap& devices, int comNumber, const std::string& path);
// Every COM number whose device differs between the maps, with its new path ("" where the entry
// went), in COM order: what SaveSerialDevice has to write.
std::vector<std::pair<int, std::string>> SerialDeviceChanges(const TSerialDeviceMap& before,
                                                             const TSerialDeviceMap& after);
