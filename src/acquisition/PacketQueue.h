#pragma once

#include "acquisition/LogicalPacket.h"

#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>

// The packets received and not yet handled, in arrival order. The queue owns them: a packet
// leaves it only by RemoveHead, which destroys it, or with the queue.
// Thread rule: one producer (the reader) appends, one consumer (the processing thread) reads and
// removes the head; every operation takes the lock for itself alone.
class TPacketQueue {
public:
    TPacketQueue() = default;
    TPacketQueue(const TPacketQueue&) = delete;
    TPacketQueue& operator=(const TPacketQueue&) = delete;

    void Append(std::unique_ptr<TLogicalPacket> packet);
    std::size_t Count() const;
    bool Empty() const { return Count() == 0; }
    // The oldest packet, or nullptr when empty. It stays valid until RemoveHead: the producer
    // only adds at the tail.
    const TLogicalPacket* Head() const;
    // Destroys the oldest packet; nothing happens when empty.
    void RemoveHead();

private:
    mutable std::mutex FLock;
    std::deque<std::unique_ptr<TLogicalPacket>> FPackets;
};
