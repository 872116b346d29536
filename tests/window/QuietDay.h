#pragma once
// Values shaped like a quiet day's record, for the pictures: slow daily drift, a few minutes'
// pulsations, noise at the instrument's resolution, sensor and electronics temperatures.

#include <array>
#include <cmath>
#include <numbers>
#include <random>

inline std::array<double, 5> QuietDay(int second, std::mt19937& random) {
    std::normal_distribution<double> noise(0, 0.08);
    const double t = second;
    const double pi = std::numbers::pi;
    const double drift = std::sin(2 * pi * t / 14400);
    const double pulsation = std::sin(2 * pi * t / 420) * std::exp(-std::pow((t - 5400) / 1500, 2));
    auto round = [](double value, double unit) { return std::round(value / unit) * unit; };
    return {round(21345.6 + 12 * drift + 4 * pulsation + noise(random), 0.01),
            round(-1234.5 + 6 * std::cos(2 * pi * t / 10800) + 2.5 * pulsation + noise(random), 0.01),
            round(45678.9 - 4 * drift + 1.5 * pulsation + noise(random), 0.01),
            round(21.5 + 0.4 * std::sin(2 * pi * t / 21600), 0.1),
            round(20.2 + 1.2 * std::sin(2 * pi * (t + 1800) / 10800), 0.1)};
}
