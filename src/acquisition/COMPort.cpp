#include "acquisition/COMPort.h"

#include "acquisition/BasicException.h"
#include "acquisition/SerialDevices.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::milliseconds;

const char* const PortClass = "TCOMPort";
// The read's class text differs in letter case from the others; callers may match on it.
const char* const ReadClass = "TComPort";

// How often a waiting read consults its abort check.
constexpr int AbortCheckSliceMs = 25;

// Opens the device for reading and writing by this process alone. The open itself does not
// wait for a carrier (O_NONBLOCK), transfers afterwards are blocking. The lock keeps out every
// other opener that takes it, root included; TIOCEXCL keeps out plain opens by other users.
int OpenExclusive(const std::string& path) {
    const int handle = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (handle < 0) return -1;
    auto fail = [handle](int code) {
        ::close(handle);
        errno = code;
        return -1;
    };
    if (!::isatty(handle)) return fail(ENOTTY);
    if (::flock(handle, LOCK_EX | LOCK_NB) != 0) return fail(errno == EWOULDBLOCK ? EBUSY : errno);
    if (::ioctl(handle, TIOCEXCL) != 0) return fail(errno);
    const int flags = ::fcntl(handle, F_GETFL);
    if (flags < 0 || ::fcntl(handle, F_SETFL, flags & ~O_NONBLOCK) != 0) return fail(errno);
    return handle;
}

int PollTimeout(Clock::time_point deadline, Clock::time_point now) {
    if (deadline == Clock::time_point::max()) return -1;
    const auto left = std::chrono::ceil<Milliseconds>(deadline - now).count();
    return static_cast<int>(std::clamp<long long>(left, 0, 1 << 30));
}

Clock::time_point AfterMs(Clock::time_point from, std::uint64_t milliseconds) {
    // Far beyond any run: treated as no limit (avoids overflowing the clock's range).
    if (milliseconds >= (std::uint64_t{1} << 40)) return Clock::time_point::max();
    return from + Milliseconds(milliseconds);
}

[[noreturn]] void RaiseRead(int code) {
    throw EBasicException::Create("Error reading COM port", code, ReadClass, "Get");
}

[[noreturn]] void RaiseNotOpened(const char* operation) {
    throw EBasicException::Create("Port not opened", 0, PortClass, operation);
}

// Whether the device still answers as a terminal (it does not after a hang-up).
int DeviceState(int handle) {
    termios probe{};
    return ::tcgetattr(handle, &probe) == 0 ? 0 : errno;
}

}  // namespace

TCOMPort::TCOMPort() = default;

TCOMPort::~TCOMPort() {
    try {
        Close();
    } catch (...) {
        CloseWithoutPurge();
    }
}

int TCOMPort::Open(const std::string& name) {
    if (FOpened) Close();
    if (!name.empty()) FPortName = name;
    FDevicePath = ResolveSerialDevice(FPortName);
    const int handle = OpenExclusive(FDevicePath);
    if (handle < 0) {
        const int code = errno;
        FHandle = -1;
        throw EBasicException::Create("Error opening " + FPortName + " port.", code, PortClass,
                                      "Open");
    }
    FHandle = handle;
    FOpened = true;
    return 0;
}

int TCOMPort::Close() {
    if (!FOpened) return -1;
    PurgeComm(PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    CloseWithoutPurge();
    return 0;
}

void TCOMPort::CloseWithoutPurge() noexcept {
    if (!FOpened) return;
    // The exclusive mode belongs to the terminal, not to this handle: clear it so that the
    // next opener is not refused once we are gone.
    ::ioctl(FHandle, TIOCNXCL);
    ::close(FHandle);
    FHandle = -1;
    FOpened = false;
}

int TCOMPort::Get(void* buffer, int count) {
    if (!FOpened) RaiseRead(EBADF);
    if (count < 0) RaiseRead(EINVAL);
    if (count == 0) return 0;

    const TCommTimeouts& t = FTimeouts;
    const Clock::time_point start = Clock::now();
    Clock::time_point totalDeadline = Clock::time_point::max();
    bool returnOnFirstBytes = false;
    std::uint32_t interval = t.ReadIntervalTimeout;
    if (t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == 0 &&
        t.ReadTotalTimeoutConstant == 0) {
        // Only what is already waiting.
        totalDeadline = start;
        returnOnFirstBytes = true;
        interval = 0;
    } else if (t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == MAXDWORD &&
               t.ReadTotalTimeoutConstant != 0 && t.ReadTotalTimeoutConstant != MAXDWORD) {
        totalDeadline = AfterMs(start, t.ReadTotalTimeoutConstant);
        returnOnFirstBytes = true;
        interval = 0;
    } else if (t.ReadTotalTimeoutMultiplier != 0 || t.ReadTotalTimeoutConstant != 0) {
        totalDeadline = AfterMs(start, std::uint64_t{t.ReadTotalTimeoutMultiplier} *
                                               static_cast<std::uint64_t>(count) +
                                           t.ReadTotalTimeoutConstant);
    }

    char* target = static_cast<char*>(buffer);
    int received = 0;
    Clock::time_point lastByte{};
    // A failure after some bytes arrived returns them first; the next read meets it again.
    auto fail = [&received](int code) -> int {
        if (received > 0) return received;
        RaiseRead(code);
    };
    while (received < count) {
        Clock::time_point deadline = totalDeadline;
        if (interval != 0 && received > 0) deadline = std::min(deadline, AfterMs(lastByte, interval));
        const Clock::time_point now = Clock::now();
        int waitMs = PollTimeout(deadline, now);
        if (deadline != Clock::time_point::max() && now >= deadline) {
            // Expired; still take bytes that are already waiting when the read may return them.
            if (!(returnOnFirstBytes && received == 0)) break;
            waitMs = 0;
        }
        if (FReadAbortCheck) {
            if (FReadAbortCheck()) break;
            waitMs = waitMs < 0 ? AbortCheckSliceMs : std::min(waitMs, AbortCheckSliceMs);
        }
        pollfd ready{FHandle, POLLIN, 0};
        const int polled = ::poll(&ready, 1, waitMs);
        if (polled < 0) {
            if (errno == EINTR) continue;
            return fail(errno);
        }
        if (polled == 0) {
            if (waitMs == 0 && returnOnFirstBytes) break;
            continue;
        }
        if (ready.revents & POLLNVAL) return fail(EBADF);
        if (ready.revents & POLLIN) {
            const ssize_t got = ::read(FHandle, target + received, static_cast<size_t>(count - received));
            if (got > 0) {
                received += static_cast<int>(got);
                lastByte = Clock::now();
                if (returnOnFirstBytes) break;
                continue;
            }
            if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
            // Readable but nothing to read: the terminal has hung up.
            return fail(got == 0 ? EIO : errno);
        }
        if (ready.revents & (POLLHUP | POLLERR)) return fail(EIO);
    }
    return received;
}

int TCOMPort::Send(const void* buffer, int count) {
    auto raise = [this](int code) {
        throw EBasicException::Create("Can not write to COM port", code, ClassName(), "Send");
    };
    if (!FOpened) raise(EBADF);
    if (count < 0) raise(EINVAL);
    const TCommTimeouts& t = FTimeouts;
    Clock::time_point deadline = Clock::time_point::max();
    if (t.WriteTotalTimeoutMultiplier != 0 || t.WriteTotalTimeoutConstant != 0)
        deadline = AfterMs(Clock::now(), std::uint64_t{t.WriteTotalTimeoutMultiplier} *
                                                 static_cast<std::uint64_t>(count) +
                                             t.WriteTotalTimeoutConstant);
    const char* source = static_cast<const char*>(buffer);
    int written = 0;
    while (written < count) {
        const Clock::time_point now = Clock::now();
        if (now >= deadline) break;
        pollfd ready{FHandle, POLLOUT, 0};
        const int polled = ::poll(&ready, 1, PollTimeout(deadline, now));
        if (polled < 0) {
            if (errno == EINTR) continue;
            raise(errno);
        }
        if (polled == 0) continue;
        if (ready.revents & POLLNVAL) raise(EBADF);
        if (ready.revents & (POLLHUP | POLLERR)) raise(EIO);
        const ssize_t put = ::write(FHandle, source + written, static_cast<size_t>(count - written));
        if (put < 0) {
            if (errno == EINTR || errno == EAGAIN) continue;
            raise(errno);
        }
        written += static_cast<int>(put);
    }
    return written;
}

int TCOMPort::PurgeComm(int flags) {
    if (!FOpened) return -1;
    const bool input = (flags & PURGE_RXCLEAR) != 0;
    const bool output = (flags & PURGE_TXCLEAR) != 0;
    int code = 0;
    if ((flags & ~(PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR)) != 0) {
        code = EINVAL;
    } else if (input || output) {
        // Reads and writes never run while another call is in progress on this object, so the
        // abort flags have nothing to end; clearing the queues is the whole work.
        const int queue = input && output ? TCIOFLUSH : input ? TCIFLUSH : TCOFLUSH;
        if (::tcflush(FHandle, queue) != 0) code = errno;
    }
    if (code != 0)
        throw EBasicException::Create("Errror during PurgeComm", code, PortClass, "PurgeComm");
    return 0;
}

int TCOMPort::SetCOMPortOptions(const std::string& options) {
    FOptionsText = options;
    if (!FOpened) RaiseNotOpened("SetCOMPortOptions");
    // From all zero: whatever the text does not set (flow control) stays off.
    FDCB = TDeviceControlBlock{};
    FDCB.DCBlength = sizeof(TDeviceControlBlock);
    if (!BuildCommDCBA(FOptionsText, FDCB))
        throw EBasicException::Create("Error buliding DCB structure", 0, PortClass,
                                      "SetCOMPortOptions");
    return SetDCB();
}

int TCOMPort::SetDCB() {
    if (!FOpened) RaiseNotOpened("SetDCB");
    const int code = ApplyDeviceControlBlock(FHandle, FDCB);
    if (code != 0)
        throw EBasicException::Create("Error setting DCB structure for " + FPortName + " port...",
                                      code, PortClass, "SetDCB");
    return 0;
}

int TCOMPort::SetTimeouts(const TCommTimeouts& timeouts) {
    if (!FOpened) RaiseNotOpened("SetTimeouts");
    FTimeouts = timeouts;
    // The rule is carried out by Get; the device only has to be there to take it.
    if (DeviceState(FHandle) != 0)
        throw EBasicException::Create("Error setting timeouts for " + FPortName + " port...", 0,
                                      PortClass, "SetTimeouts");
    return 0;
}

int TCOMPort::SetBufSize(int inputSize, int outputSize) {
    if (!FOpened) RaiseNotOpened("SetBufSize");
    if (outputSize == 0) outputSize = inputSize;
    const int code = inputSize < 0 || outputSize < 0 ? EINVAL : DeviceState(FHandle);
    if (code != 0)
        throw EBasicException::Create("Cannot set buffer size for " + FPortName + " port...", code,
                                      PortClass, "SetBufSize");
    FInputBufferSize = inputSize;
    FOutputBufferSize = outputSize;
    return 0;
}
