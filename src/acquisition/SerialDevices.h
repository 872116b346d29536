#pragma once
// The user-facing port names stay "COM1", "COM2", ...; on this system each resolves to a device
// path. A name that is not "COM" followed by a number (a path such as /dev/ttyUSB0) is used as
// it stands.
//
// Thread rule: every function may be called from any thread; the table is guarded by one lock.

#include <cstdint>
#include <string>

// "COM" + (index + 1): the name of the port with the given 0-based index (0 is COM1).
std::string COMPortName(std::int64_t portIndex);

// The device path for a port name. "COMn" (letter case ignored, n >= 1) gives, in this order:
// the one-run override when set; the path set for n; "/dev/ttyS" + (n - 1). Any other name is
// returned unchanged.
std::string ResolveSerialDevice(const std::string& name);

// The device of "COM<n>" without a mapping: "/dev/ttyS" + (n - 1).
std::string DefaultSerialDevice(int comNumber);

// Maps "COM" + comNumber to a path (1-based, as in the settings file's COM1=...); an empty path
// removes the mapping.
void SetSerialDevice(int comNumber, const std::string& path);
void ClearSerialDevices();

// While set, every COM name resolves to this path (the --port option and the demo use it for one
// run, without touching the table); an empty path ends the override.
void SetSerialOverride(const std::string& path);
std::string SerialOverride();
