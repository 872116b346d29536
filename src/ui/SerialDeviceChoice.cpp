#include "ui/SerialDeviceChoice.h"

#include <set>

std::string MappedSerialDevice(const TSerialDeviceMap& devices, int comNumber) {
    const auto entry = devices.find(comNumber);
    return entry != devices.end() ? entry->second : DefaultSerialDevice(comNumber);
}

void SetMappedSerialDevice(TSerialDeviceMap& devices, int comNumber, const std::string& path) {
    const std::size_t first = path.find_first_not_of(" \t");
    const std::string trimmed =
        first == std::string::npos ? std::string() : path.substr(first, path.find_last_not_of(" \t") - first + 1);
    if (trimmed.empty() || trimmed == DefaultSerialDevice(comNumber))
        devices.erase(comNumber);
    else
        devices[comNumber] = trimmed;
}

std::vector<std::pair<int, std::string>> SerialDeviceChanges(const TSerialDeviceMap& before,
                                                             const TSerialDeviceMap& after) {
    std::set<int> numbers;
    for (const auto& entry : before) numbers.insert(entry.first);
    for (const auto& entry : after) numbers.insert(entry.first);
    std::vector<std::pair<int, std::string>> changes;
    for (const int number : numbers) {
        const auto old = before.find(number);
        const auto now = after.find(number);
        const std::string oldPath = old != before.end() ? old->second : std::string();
        const std::string newPath = now != after.end() ? now->second : std::string();
        if (oldPath != newPath) changes.emplace_back(number, newPath);
    }
    return changes;
}
