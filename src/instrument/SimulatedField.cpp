#include "instrument/SimulatedField.h"

#include <cmath>
#include <numbers>

namespace {

constexpr double TwoPi = 2.0 * std::numbers::pi;

// SplitMix64: a fast, well-mixed hash, enough to turn (seed, instant, channel) into noise.
std::uint64_t Mix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// A bell around `centre` (hours of the day) with the given width in hours; near zero at
// midnight for a midday centre, so days join without a step.
double Bell(double hourOfDay, double centre, double width) {
    const double d = (hourOfDay - centre) / width;
    return std::exp(-d * d);
}

// A slow wave of the absolute time with the given period in hours.
double Wave(double absoluteHours, double periodHours, double phase) {
    return std::sin(TwoPi * absoluteHours / periodHours + phase);
}

}  // namespace

double TSimulatedField::Noise(TStampMs stamp, int channel, double deviation) const {
    std::uint64_t bits = Mix(FSeed ^ Mix(static_cast<std::uint64_t>(stamp) * 8 +
                                         static_cast<std::uint64_t>(channel)));
    // The sum of four uniform values is close to normal; its standard deviation is sqrt(1/3).
    double sum = 0;
    for (int i = 0; i < 4; ++i) {
        sum += static_cast<double>(bits & 0xFFFF) / 65536.0 - 0.5;
        bits >>= 16;
    }
    return sum * deviation * std::numbers::sqrt3;
}

std::array<double, 5> TSimulatedField::Values(TStampMs stamp) const {
    const double hourOfDay = static_cast<double>(TimeOfDayOf(stamp)) / 3600000.0;
    const double dayPhase = TwoPi * hourOfDay / 24.0;
    // Hours since day zero: about a million today, still far finer than a millisecond.
    const double hours = static_cast<double>(stamp) / 3600000.0;

    // The quiet-day variation: the horizontal field dips around local noon, the vertical one
    // less so, the eastward one swings through the day.
    const double bx = 21000.0 - 35.0 * Bell(hourOfDay, 11.5, 3.5) + 6.0 * std::cos(dayPhase) +
                      3.0 * Wave(hours, 2.7, 0.4) + 1.5 * Wave(hours, 0.61, 1.9);
    const double by = -1200.0 + 14.0 * std::sin(dayPhase - 1.2) + 5.0 * Bell(hourOfDay, 9.0, 2.5) +
                      2.0 * Wave(hours, 3.3, 2.2) + 1.0 * Wave(hours, 0.47, 0.3);
    const double bz = 45000.0 + 18.0 * Bell(hourOfDay, 12.5, 4.0) - 7.0 * std::cos(dayPhase) +
                      2.5 * Wave(hours, 4.1, 5.0) + 1.2 * Wave(hours, 0.83, 4.4);
    // Temperatures: warmest in the afternoon, plus slow drifts of the building's climate.
    const double ts = 20.0 + 1.5 * std::sin(dayPhase - 2.0) + 0.4 * Wave(hours, 7.3, 0.0) +
                      0.2 * Wave(hours, 29.0, 1.0);
    const double te = 20.3 + 0.8 * std::sin(dayPhase - 2.3) + 0.3 * Wave(hours, 11.1, 2.5) +
                      0.2 * Wave(hours, 41.0, 0.5);

    return {bx + Noise(stamp, 0, 0.1), by + Noise(stamp, 1, 0.1), bz + Noise(stamp, 2, 0.1),
            ts + Noise(stamp, 3, 0.03), te + Noise(stamp, 4, 0.03)};
}
