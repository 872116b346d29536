#include "instrument/SimulatedInstrument.h"

#include "acquisition/BasicException.h"
#include "instrument/DeviceLink.h"
#include "instrument/LineSource.h"
#include "instrument/SimulatorTerminal.h"
#include "instrument/SerialLineMode.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <grp.h>
#include <sys/stat.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

constexpr const char* ClassName = "TSimulatedInstrument";

// The device counts as drained once its queue has looked empty at every check for this long:
// the kernel moves bytes to a terminal's queue asynchronously, and a real port still has its
// hardware buffer to send after its driver's queue is empty.
constexpr auto QuietSpell = std::chrono::milliseconds(250);
constexpr auto DrainCheckInterval = std::chrono::milliseconds(10);

[[noreturn]] void Fail(const std::string& what, int error, const char* operation) {
    throw EBasicException::Create(what + ": " + std::strerror(error), error, ClassName, operation);
}

timespec ToTimespec(std::chrono::nanoseconds span) {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(span);
    return timespec{static_cast<time_t>(seconds.count()),
                    static_cast<long>((span - seconds).count())};
}

}  // namespace

TSimulatedInstrument::TSimulatedInstrument(TSimulatorOptions options)
    : FOptions(std::move(options)) {}

TSimulatedInstrument::~TSimulatedInstrument() { Stop(); }

void TSimulatedInstrument::Start() {
    if (FStarted)
        throw EBasicException::Create("The simulated instrument runs only once", 0, ClassName,
                                      "Start");
    FStarted = true;
    const TStampMs start = FOptions.Start ? StampOf(*FOptions.Start)
                                          : WholeSecondOf(StampOf(NowLocal()));
    // With --fast the stamps still advance by one second per line, as from the real instrument.
    const TLineRate stampRate = FOptions.Fast ? TLineRate() : FOptions.Rate;
    FSource = std::make_unique<TLineSource>(start, stampRate, FOptions.LineEnd, FOptions.BadEvery,
                                            FOptions.Seed);
    try {
        int wake[2];
        if (pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0)
            Fail("Could not start the simulated instrument", errno, "Start");
        FWakeRead = wake[0];
        FWakeWrite = wake[1];
        OpenDevice();
        FWriter = std::thread(&TSimulatedInstrument::Run, this);
    } catch (...) {
        Stop();
        throw;
    }
}

// The pseudo-terminal belongs to whoever started the simulator; the service's user reads serial
// ports through the group dialout, so the device is given to that group as a real port is.
void TSimulatedInstrument::ShareWithService() {
    const struct group* dialout = getgrnam(ServiceGroup);
    if (!dialout) Fail(std::string("There is no group ") + ServiceGroup, ENOENT, "Start");
    if (chown(FDevicePath.c_str(), uid_t(-1), dialout->gr_gid) != 0 ||
        chmod(FDevicePath.c_str(), 0660) != 0)
        Fail("Could not give " + FDevicePath + " to the group " + ServiceGroup, errno, "Start");
    if (!FOptions.LinkPath.empty()) {
        std::error_code error;
        std::filesystem::create_directories(std::filesystem::path(FOptions.LinkPath).parent_path(),
                                            error);
        if (error)
            Fail("Could not make the folder of " + FOptions.LinkPath, error.value(), "Start");
    }
}

void TSimulatedInstrument::OpenDevice() {
    if (FOptions.DevicePath.empty()) {
        FTerminal = std::make_unique<TSimulatorTerminal>();
        FDevicePath = FTerminal->DevicePath();
        FOutput = FTerminal->MasterHandle();
        if (FOptions.ForService) ShareWithService();
        if (!FOptions.LinkPath.empty())
            FLink = std::make_unique<TDeviceLink>(FOptions.LinkPath, FDevicePath);
        return;
    }
    FDevicePath = FOptions.DevicePath;
    // Non-blocking: a serial port opens without waiting for carrier, and the writer waits for
    // room and for a stop request together.
    FOwnedDevice =
        open(FDevicePath.c_str(), O_WRONLY | O_APPEND | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (FOwnedDevice < 0) Fail("Could not open " + FDevicePath, errno, "Start");
    FOutput = FOwnedDevice;
    FOutputIsTerminal = isatty(FOwnedDevice) == 1;
    if (FOutputIsTerminal && !SetInstrumentLineMode(FOwnedDevice))
        Fail("Could not set " + FDevicePath + " to 9600 8N1", errno, "Start");
}

void TSimulatedInstrument::Stop() {
    FStopRequested.store(true);
    if (FWakeWrite >= 0) {
        const char wake = 1;
        [[maybe_unused]] const ssize_t ignored = write(FWakeWrite, &wake, 1);
    }
    if (FWriter.joinable()) FWriter.join();
    FLink.reset();
    FTerminal.reset();
    if (FOwnedDevice >= 0) close(FOwnedDevice);
    FOwnedDevice = FOutput = -1;
    for (int* handle : {&FWakeRead, &FWakeWrite}) {
        if (*handle >= 0) close(*handle);
        *handle = -1;
    }
}

bool TSimulatedInstrument::Finished() const {
    std::lock_guard<std::mutex> guard(FStateLock);
    return FFinished;
}

bool TSimulatedInstrument::WaitFinished(std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> guard(FStateLock);
    return FStateChanged.wait_for(guard, timeout, [this] { return FFinished; });
}

std::string TSimulatedInstrument::ErrorText() const {
    std::lock_guard<std::mutex> guard(FStateLock);
    return FError;
}

void TSimulatedInstrument::Run() {
    std::string error;
    try {
        const auto begin = std::chrono::steady_clock::now();
        for (std::uint64_t line = 0; FOptions.Count == 0 || line < FOptions.Count; ++line) {
            // Absolute deadlines from the first line: a late line does not delay the next ones.
            if (!FOptions.Fast && !SleepUntil(begin + FOptions.Rate.Offset(line))) return;
            if (FStopRequested.load() || !WriteAll(FSource->Bytes(line))) return;
            FLinesSent.fetch_add(1);
        }
        if (!WaitDrained()) return;
    } catch (const std::exception& failure) {
        error = failure.what();
    }
    MarkFinished(error);
}

bool TSimulatedInstrument::SleepUntil(std::chrono::steady_clock::time_point deadline) const {
    for (;;) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) return !FStopRequested.load();
        const timespec left = ToTimespec(deadline - now);
        pollfd wake{FWakeRead, POLLIN, 0};
        if (ppoll(&wake, 1, &left, nullptr) > 0) return false;
    }
}

bool TSimulatedInstrument::WriteAll(const std::string& bytes) const {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = write(FOutput, bytes.data() + done, bytes.size() - done);
        if (written > 0) {
            done += static_cast<std::size_t>(written);
            continue;
        }
        if (written < 0 && errno == EINTR) continue;
        if (written < 0 && errno != EAGAIN)
            Fail("Could not write to " + FDevicePath, errno, "Write");
        // The device is full (nobody reads yet): wait for room, which holds the lines back
        // instead of losing them, or for a stop request.
        pollfd waits[2] = {{FOutput, POLLOUT, 0}, {FWakeRead, POLLIN, 0}};
        if (poll(waits, 2, -1) < 0 && errno != EINTR)
            Fail("Could not wait for " + FDevicePath, errno, "Write");
        if (waits[1].revents != 0) return false;
        if ((waits[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0 &&
            (waits[0].revents & POLLOUT) == 0)
            Fail("Could not write to " + FDevicePath, EIO, "Write");
    }
    return true;
}

int TSimulatedInstrument::PendingBytes() const {
    if (FTerminal) return FTerminal->QueuedBytes();
    int pending = 0;
    if (!FOutputIsTerminal || ioctl(FOutput, TIOCOUTQ, &pending) != 0) return -1;
    return pending;
}

bool TSimulatedInstrument::WaitDrained() const {
    if (PendingBytes() < 0) return true;
    auto emptySince = std::chrono::steady_clock::now();
    for (;;) {
        const auto now = std::chrono::steady_clock::now();
        if (PendingBytes() != 0)
            emptySince = now;
        else if (now - emptySince >= QuietSpell)
            return true;
        if (!SleepUntil(now + DrainCheckInterval)) return false;
    }
}

void TSimulatedInstrument::MarkFinished(const std::string& error) {
    {
        std::lock_guard<std::mutex> guard(FStateLock);
        FFinished = true;
        FError = error;
    }
    FStateChanged.notify_all();
}
