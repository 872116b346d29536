// The line settings: from the settings text to the block, and from the block to the terminal.
#include "acquisition/COMPort.h"

#include <cerrno>
#include <charconv>
#include <string_view>
#include <termios.h>
#include <vector>

namespace {

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

std::vector<std::string_view> SplitFields(std::string_view text) {
    std::vector<std::string_view> fields;
    for (;;) {
        const std::size_t comma = text.find(',');
        fields.push_back(Trim(text.substr(0, comma)));
        if (comma == std::string_view::npos) return fields;
        text.remove_prefix(comma + 1);
    }
}

bool ParseUnsigned(std::string_view text, std::uint32_t& value) {
    if (text.empty() || text.front() < '0' || text.front() > '9') return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

bool SpeedFor(std::uint32_t baudRate, speed_t& speed) {
    struct Rate {
        std::uint32_t Baud;
        speed_t Speed;
    };
    static constexpr Rate Rates[] = {
        {50, B50},         {75, B75},         {110, B110},       {134, B134},
        {150, B150},       {200, B200},       {300, B300},       {600, B600},
        {1200, B1200},     {1800, B1800},     {2400, B2400},     {4800, B4800},
        {9600, B9600},     {19200, B19200},   {38400, B38400},   {57600, B57600},
        {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600},
    };
    for (const Rate& rate : Rates)
        if (rate.Baud == baudRate) {
            speed = rate.Speed;
            return true;
        }
    return false;
}

}  // namespace

bool BuildCommDCBA(const std::string& text, TDeviceControlBlock& dcb) {
    const std::vector<std::string_view> fields = SplitFields(text);
    if (fields.size() != 4) return false;

    std::uint32_t baud = 0;
    if (!ParseUnsigned(fields[0], baud) || baud == 0) return false;

    if (fields[1].size() != 1) return false;
    char parity = fields[1][0];
    if (parity >= 'a' && parity <= 'z') parity = static_cast<char>(parity - 'a' + 'A');
    if (std::string_view("NOEMS").find(parity) == std::string_view::npos) return false;

    std::uint32_t dataBits = 0;
    if (!ParseUnsigned(fields[2], dataBits) || dataBits < 4 || dataBits > 8) return false;

    std::uint8_t stopBits = 0;
    if (fields[3] == "1")
        stopBits = 0;
    else if (fields[3] == "1.5")
        stopBits = 1;
    else if (fields[3] == "2")
        stopBits = 2;
    else
        return false;

    dcb.BaudRate = baud;
    dcb.Parity = parity;
    dcb.ByteSize = static_cast<std::uint8_t>(dataBits);
    dcb.StopBits = stopBits;
    return true;
}

int ApplyDeviceControlBlock(int handle, const TDeviceControlBlock& dcb) {
    speed_t speed = B0;
    if (!SpeedFor(dcb.BaudRate, speed)) return EINVAL;

    tcflag_t size = 0;
    switch (dcb.ByteSize) {
        case 5: size = CS5; break;
        case 6: size = CS6; break;
        case 7: size = CS7; break;
        case 8: size = CS8; break;
        default: return EINVAL;
    }
    tcflag_t parity = 0;
    switch (dcb.Parity) {
        case 0:
        case 'N': parity = 0; break;
        case 'O': parity = PARENB | PARODD; break;
        case 'E': parity = PARENB; break;
        case 'M': parity = PARENB | CMSPAR | PARODD; break;
        case 'S': parity = PARENB | CMSPAR; break;
        default: return EINVAL;
    }
    tcflag_t stop = 0;
    switch (dcb.StopBits) {
        case 0: stop = 0; break;
        // The terminal's second stop bit is one and a half bits long with five data bits.
        case 1:
            if (dcb.ByteSize != 5) return EINVAL;
            stop = CSTOPB;
            break;
        case 2: stop = CSTOPB; break;
        default: return EINVAL;
    }

    termios settings{};
    if (::tcgetattr(handle, &settings) != 0) return errno;
    ::cfmakeraw(&settings);
    if (::cfsetispeed(&settings, speed) != 0 || ::cfsetospeed(&settings, speed) != 0) return errno;
    settings.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    settings.c_cflag |= size | parity | stop | CLOCAL | CREAD;
    settings.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK);
    // Reads are paced by poll and the port's own time-out rule, never by the terminal.
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    if (::tcsetattr(handle, TCSANOW, &settings) != 0) return errno;
    return 0;
}
