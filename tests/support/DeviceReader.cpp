#include "DeviceReader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <unistd.h>

TDeviceReader::TDeviceReader(const std::string& path)
    : FHandle(open(path.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)), FOwned(true) {
    if (FHandle < 0)
        throw std::runtime_error("Could not open " + path + ": " + std::strerror(errno));
}

TDeviceReader::TDeviceReader(int handle) : FHandle(handle) {}

TDeviceReader::~TDeviceReader() {
    if (FOwned) close(FHandle);
}

bool TDeviceReader::ReadSome(std::chrono::steady_clock::time_point deadline) {
    if (FHungUp) return false;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd wait{FHandle, POLLIN, 0};
    const int ready = poll(&wait, 1, static_cast<int>(left.count()));
    if (ready == 0) return true;  // the next call sees the deadline passed
    if (ready < 0) return errno == EINTR;
    char buffer[4096];
    const ssize_t got = read(FHandle, buffer, sizeof buffer);
    if (got > 0) {
        FReceived.append(buffer, static_cast<std::size_t>(got));
        return true;
    }
    if (got < 0 && (errno == EAGAIN || errno == EINTR)) return true;
    // End of file or EIO: the other side of a pseudo-terminal has closed.
    FHungUp = true;
    return false;
}

bool TDeviceReader::WaitForBytes(std::size_t count, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (FReceived.size() < count)
        if (!ReadSome(deadline)) break;
    return FReceived.size() >= count;
}

bool TDeviceReader::WaitForLines(std::size_t count, std::chrono::milliseconds timeout,
                                 const std::string& end) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (SplitLines(FReceived, end).size() < count)
        if (!ReadSome(deadline)) break;
    return SplitLines(FReceived, end).size() >= count;
}

bool TDeviceReader::WaitForHangUp(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!FHungUp)
        if (!ReadSome(deadline) && !FHungUp) return false;
    return true;
}

std::vector<std::string> SplitLines(const std::string& text, const std::string& end) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t found; (found = text.find(end, start)) != std::string::npos;
         start = found + end.size())
        lines.push_back(text.substr(start, found - start));
    return lines;
}
