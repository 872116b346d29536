#include "recording/Filter.h"

#include "acquisition/RuntimeErrors.h"

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

std::optional<TFilterValue> TFilter::FilterSample(std::span<const double> values, TDateTime time) {
    const std::size_t n = FCoefficients.size();
    if (n == 0) return std::nullopt;
    FWindow.Push(values, time, n);
    if (FWindow.Size() != n) return std::nullopt;

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
