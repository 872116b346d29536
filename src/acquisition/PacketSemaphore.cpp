#include "acquisition/PacketSemaphore.h"

#include <chrono>
#include <stdexcept>

TPacketSemaphore::TPacketSemaphore(std::int32_t initialCount, std::int32_t maximumCount)
    : FCount(initialCount), FMaximum(maximumCount) {
    if (maximumCount <= 0 || initialCount < 0 || initialCount > maximumCount)
        throw std::invalid_argument("semaphore counts out of range");
}

bool TPacketSemaphore::Release(std::int32_t count) {
    if (count <= 0) return false;
    {
        std::lock_guard<std::mutex> guard(FLock);
        if (count > FMaximum - FCount) return false;
        FCount += count;
    }
    if (count == 1)
        FAvailable.notify_one();
    else
        FAvailable.notify_all();
    return true;
}

void TPacketSemaphore::Wait() {
    std::unique_lock<std::mutex> guard(FLock);
    FAvailable.wait(guard, [this] { return FCount > 0; });
    --FCount;
}

bool TPacketSemaphore::WaitFor(std::int32_t milliseconds) {
    std::unique_lock<std::mutex> guard(FLock);
    if (!FAvailable.wait_for(guard, std::chrono::milliseconds(milliseconds),
                             [this] { return FCount > 0; }))
        return false;
    --FCount;
    return true;
}

std::int32_t TPacketSemaphore::Count() const {
    std::lock_guard<std::mutex> guard(FLock);
    return FCount;
}
