#include "acquisition/PacketQueue.h"

void TPacketQueue::Append(std::unique_ptr<TLogicalPacket> packet) {
    std::lock_guard<std::mutex> guard(FLock);
    FPackets.push_back(std::move(packet));
}

std::size_t TPacketQueue::Count() const {
    std::lock_guard<std::mutex> guard(FLock);
    return FPackets.size();
}

const TLogicalPacket* TPacketQueue::Head() const {
    std::lock_guard<std::mutex> guard(FLock);
    return FPackets.empty() ? nullptr : FPackets.front().get();
}

void TPacketQueue::RemoveHead() {
    std::unique_ptr<TLogicalPacket> head;
    {
        std::lock_guard<std::mutex> guard(FLock);
        if (FPackets.empty()) return;
        head = std::move(FPackets.front());
        FPackets.pop_front();
    }
    // Destroyed outside the lock, so the reader never waits for it.
}
