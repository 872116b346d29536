#include "recording/Filter.h"

#include "acquisition/RuntimeErrors.h"
#include "recording/RecordStamp.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

std::vector<double> FilterCoefficients;
std::vector<std::string> FilterCoefficientTexts;

const TFilterValue& TFilterWindow::operator[](std::size_t index) const {
    if (index >= FSize) throw ERangeError();
    std::size_t slot = FOldest + index;
    if (slot >= FRing.size()) slot -= FRing.size();
    return FRing[slot];
}

void TFilterWindow::Push(std::span<const double> values, TDateTime time, std::size_t capacity) {
    if (capacity != FRing.size()) Resize(capacity);
    if (capacity == 0) return;
    std::size_t slot;
    if (FSize < capacity) {
        slot = FOldest + FSize;
        if (slot >= capacity) slot -= capacity;
        ++FSize;
    } else {
        slot = FOldest;  // the oldest entry is overwritten by the newest
        FOldest = FOldest + 1 == capacity ? 0 : FOldest + 1;
    }
    TFilterValue& entry = FRing[slot];
    entry.Values.assign(values.begin(), values.end());  // keeps the entry's storage
    entry.Time = time;
}

void TFilterWindow::Resize(std::size_t capacity) {
    const std::size_t kept = FSize < capacity ? FSize : capacity;
    std::vector<TFilterValue> ring(capacity);
    for (std::size_t i = 0; i < kept; ++i) ring[i] = std::move((*this)[FSize - kept + i]);
    FRing = std::move(ring);
    FOldest = 0;
    FSize = kept;
}

void TFilterWindow::Clear() {
    FOldest = 0;
    FSize = 0;
}

namespace {

// A time stamp in whole milliseconds, so that stamps on whole seconds compare exactly.
std::int64_t Milliseconds(TDateTime time) { return std::llround(time * MillisecondsPerDay); }

// True when `time` cannot continue the window: it goes back, or it comes after more than twice
// the window's last spacing (at least 2 s), so that one missing sample or several samples sharing
// one stamp keep the window, and an output never combines both sides of a real gap.
bool StartsAfterGap(const TFilterWindow& window, TDateTime time) {
    const std::size_t size = window.Size();
    if (size == 0) return false;
    const std::int64_t t = Milliseconds(time);
    const std::int64_t p = Milliseconds(window[size - 1].Time);
    if (t < p) return true;
    const std::int64_t spacing = size >= 2 ? p - Milliseconds(window[size - 2].Time) : 0;
    return t - p > std::max<std::int64_t>(2000, 2 * spacing);
}

}  // namespace

std::optional<TFilterValue> TFilter::FilterSample(std::span<const double> values, TDateTime time,
                                                  std::int32_t onlyEverySeconds) {
    const std::size_t n = FCoefficients.size();
    if (n == 0) return std::nullopt;
    if (StartsAfterGap(FWindow, time)) FWindow.Clear();
    FWindow.Push(values, time, n);
    if (FWindow.Size() != n) return std::nullopt;
    if (onlyEverySeconds > 0 && ToRecordStamp(FWindow[n / 2].Time).Seconds % onlyEverySeconds != 0)
        return std::nullopt;

    TFilterValue output;
    output.Values.assign(values.size(), 0.0);
    for (std::size_t j = 0; j < n; ++j) {
        const std::vector<double>& sample = FWindow[j].Values;
        if (sample.size() < values.size()) throw ERangeError();
        const double coefficient = FCoefficients[j];
        // Per channel the terms are added from the oldest sample to the newest.
        for (std::size_t i = 0; i < values.size(); ++i) output.Values[i] += sample[i] * coefficient;
    }
    output.Time = FWindow[n / 2].Time;
    return output;
}

void TFilter::ClearFilter() { FWindow.Clear(); }
