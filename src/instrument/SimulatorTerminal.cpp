#include "instrument/SimulatorTerminal.h"

#include "acquisition/BasicException.h"
#include "instrument/SerialLineMode.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

[[noreturn]] void Fail(const std::string& what, int error) {
    throw EBasicException::Create(what + ": " + std::strerror(error), error, "TSimulatorTerminal",
                                  "Open");
}

}  // namespace

TSimulatorTerminal::TSimulatorTerminal() {
    FMaster = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (FMaster < 0) Fail("Could not create a pseudo-terminal", errno);
    try {
        char name[128];
        if (grantpt(FMaster) != 0 || unlockpt(FMaster) != 0 ||
            ptsname_r(FMaster, name, sizeof name) != 0)
            Fail("Could not prepare the pseudo-terminal", errno);
        FDevicePath = name;
        FDevice = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (FDevice < 0) Fail("Could not open " + FDevicePath, errno);
        if (!SetInstrumentLineMode(FDevice)) Fail("Could not set up " + FDevicePath, errno);
        const int flags = fcntl(FMaster, F_GETFL);
        if (flags < 0 || fcntl(FMaster, F_SETFL, flags | O_NONBLOCK) != 0)
            Fail("Could not set up the pseudo-terminal", errno);
    } catch (...) {
        Close();
        throw;
    }
}

TSimulatorTerminal::~TSimulatorTerminal() { Close(); }

int TSimulatorTerminal::QueuedBytes() const {
    int queued = 0;
    return ioctl(FDevice, TIOCINQ, &queued) == 0 ? queued : -1;
}

void TSimulatorTerminal::Close() {
    if (FDevice >= 0) close(FDevice);
    if (FMaster >= 0) close(FMaster);
    FDevice = FMaster = -1;
}
