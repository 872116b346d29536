#include "instrument/SerialLineMode.h"

#include <termios.h>

bool SetInstrumentLineMode(int handle) {
    termios mode{};
    if (tcgetattr(handle, &mode) != 0) return false;
    cfmakeraw(&mode);
    mode.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    mode.c_cflag |= CS8 | CLOCAL | CREAD;
    mode.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    mode.c_cc[VMIN] = 1;
    mode.c_cc[VTIME] = 0;
    if (cfsetispeed(&mode, B9600) != 0 || cfsetospeed(&mode, B9600) != 0) return false;
    return tcsetattr(handle, TCSANOW, &mode) == 0;
}
