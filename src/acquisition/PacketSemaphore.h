#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

// A counting semaphore with a maximum, as the acquisition run uses it: the reader releases it
// once per queued packet, the stop routine once more to wake the processing thread. A release
// that would pass the maximum fails and changes nothing (std::counting_semaphore would be
// undefined there).
// Thread rule: every method may be called from any thread.
class TPacketSemaphore {
public:
    static constexpr std::int32_t DefaultMaximum = 1000;

    explicit TPacketSemaphore(std::int32_t initialCount = 0,
                              std::int32_t maximumCount = DefaultMaximum);
    TPacketSemaphore(const TPacketSemaphore&) = delete;
    TPacketSemaphore& operator=(const TPacketSemaphore&) = delete;

    // Adds `count` (> 0); false, with the count unchanged, when that would pass the maximum.
    bool Release(std::int32_t count = 1);
    // Waits without time limit until the count is above zero, then takes one.
    void Wait();
    // As Wait, giving up after the time; true when one was taken.
    bool WaitFor(std::int32_t milliseconds);
    std::int32_t Count() const;
    std::int32_t Maximum() const { return FMaximum; }

private:
    mutable std::mutex FLock;
    std::condition_variable FAvailable;
    std::int32_t FCount;
    const std::int32_t FMaximum;
};
