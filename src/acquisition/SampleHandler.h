#pragma once

#include "acquisition/LogicalPacket.h"

#include <functional>
#include <utility>

// Receives the packets of a run on the user-interface thread, one at a time, in arrival order.
// Thread rule: HandleSample runs on the user-interface thread only.
class TSampleHandler {
public:
    virtual ~TSampleHandler() = default;
    // The packet is destroyed right after the call: keep its values, never the reference. What
    // it raises ends the processing thread (the station's handler absorbs its own errors).
    virtual void HandleSample(const TLogicalPacket& packet) = 0;
};

// A handler made of a function.
class TSampleFunction : public TSampleHandler {
public:
    explicit TSampleFunction(std::function<void(const TLogicalPacket&)> function)
        : FFunction(std::move(function)) {}
    void HandleSample(const TLogicalPacket& packet) override { FFunction(packet); }

private:
    std::function<void(const TLogicalPacket&)> FFunction;
};
