#pragma once
// The simulated magnetometer's five readings as a pure function of the instant, so that tests
// and benchmarks can recompute any line's values: Bx about 21000 nT, By about -1200 nT and Bz
// about 45000 nT, each with a daily variation of tens of nT that follows the time of day, slower
// wanderings of a few nT and about 0.1 nT of noise; the two temperatures Ts and Te near 20 C,
// following the day and drifting slowly.

#include "instrument/StampTime.h"

#include <array>
#include <cstdint>

// Thread rule: immutable after construction; any thread may call Values.
class TSimulatedField {
public:
    // Different seeds give different noise; the same seed and instant give the same values.
    explicit TSimulatedField(std::uint64_t seed = 0) : FSeed(seed) {}

    // Bx, By, Bz in nT, then Ts and Te in C. Always within the line's columns (|B| well below
    // 99999.99, temperatures between -99.9 and 999.9).
    std::array<double, 5> Values(TStampMs stamp) const;
    std::array<double, 5> Values(TDateTime time) const { return Values(StampOf(time)); }

private:
    // Reproducible noise for one channel at one instant: zero mean, the given standard deviation,
    // never beyond about 1.7 standard deviations.
    double Noise(TStampMs stamp, int channel, double deviation) const;

    std::uint64_t FSeed;
};
