#include "acquisition/SerialDevices.h"

#include <charconv>
#include <map>
#include <mutex>

namespace {

std::mutex DevicesLock;
std::map<int, std::string> Devices;
std::string Override;

std::string DecimalText(std::int64_t value) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    return std::string(digits, result.ptr);
}

bool IsComPrefix(const std::string& name) {
    if (name.size() < 4) return false;
    auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
    return upper(name[0]) == 'C' && upper(name[1]) == 'O' && upper(name[2]) == 'M';
}

// The n of "COMn", or 0 when the name is not of that form (digits only, no sign, n >= 1).
int ComNumber(const std::string& name) {
    if (!IsComPrefix(name)) return 0;
    const char* first = name.data() + 3;
    const char* last = name.data() + name.size();
    if (*first < '0' || *first > '9') return 0;
    int number = 0;
    const auto [end, error] = std::from_chars(first, last, number);
    if (error != std::errc() || end != last) return 0;
    return number;
}

}  // namespace

std::string COMPortName(std::int64_t portIndex) { return "COM" + DecimalText(portIndex + 1); }

std::string ResolveSerialDevice(const std::string& name) {
    const int number = ComNumber(name);
    if (number < 1) return name;
    std::lock_guard<std::mutex> guard(DevicesLock);
    if (!Override.empty()) return Override;
    const auto mapped = Devices.find(number);
    if (mapped != Devices.end()) return mapped->second;
    return DefaultSerialDevice(number);
}

std::string DefaultSerialDevice(int comNumber) { return "/dev/ttyS" + DecimalText(comNumber - 1); }

void SetSerialDevice(int comNumber, const std::string& path) {
    std::lock_guard<std::mutex> guard(DevicesLock);
    if (path.empty())
        Devices.erase(comNumber);
    else
        Devices[comNumber] = path;
}

void ClearSerialDevices() {
    std::lock_guard<std::mutex> guard(DevicesLock);
    Devices.clear();
}

void SetSerialOverride(const std::string& path) {
    std::lock_guard<std::mutex> guard(DevicesLock);
    Override = path;
}

std::string SerialOverride() {
    std::lock_guard<std::mutex> guard(DevicesLock);
    return Override;
}
