#include "settings/SerialDeviceSettings.h"

#include "acquisition/NumberText.h"
#include "acquisition/ProfileFile.h"
#include "acquisition/RuntimeErrors.h"
#include "settings/SettingsKeys.h"

namespace {

namespace Keys = SettingsKeys::SerialDevices;

// The COM number of a key "COM<n>", or 0 when the key is not of that form.
int COMNumberOfKey(const std::string& key) {
    if (key.size() < 4 || (key[0] != 'C' && key[0] != 'c') || (key[1] != 'O' && key[1] != 'o') ||
        (key[2] != 'M' && key[2] != 'm'))
        return 0;
    const std::string digits = key.substr(3);
    std::int32_t number = 0;
    if (digits.front() < '1' || digits.front() > '9' || !TryStrToInt(digits, number)) return 0;
    return number;
}

}  // namespace

TSerialDeviceMap LoadSerialDevices(const TProfileFile& file) {
    TSerialDeviceMap devices;
    for (const std::string& key : file.ReadSection(Keys::Section)) {
        const int number = COMNumberOfKey(key);
        if (number <= 0) continue;
        std::string path = file.ReadString(Keys::Section, key, "");
        if (!path.empty()) devices[number] = std::move(path);
    }
    return devices;
}

void SaveSerialDevice(TProfileFile& file, int comNumber, const std::string& path) {
    if (comNumber < 1)
        throw ERangeError("Range check error: there is no port COM" + std::to_string(comNumber));
    if (path.empty())
        file.DeleteKey(Keys::Section, Keys::PortKey(comNumber));
    else
        file.WriteString(Keys::Section, Keys::PortKey(comNumber), path);
}
