#pragma once
// The decimation filter of the INTERMAGNET writer: a FIR filter over the most recent N samples,
// N being the number of coefficients, stamped with the time of the window's middle sample.
// Process-wide state, created empty.
//
// Thread rule: the coefficients, their texts and the window are used by one thread only, the
// one that records the samples; the coefficients must not change while a run records.

#include "acquisition/DateTime.h"

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

// A stored sample or a filter output: one value per channel and the time stamp.
struct TFilterValue {
    std::vector<double> Values;
    TDateTime Time = 0;
};

// The most recent samples, oldest first, in a ring that reuses its entries: a sample costs no
// allocation once the window has filled.
class TFilterWindow {
public:
    std::size_t Size() const { return FSize; }
    // Entry `index` counted from the oldest (0) to the newest (Size() - 1).
    const TFilterValue& operator[](std::size_t index) const;
    // Appends a copy of the sample; beyond `capacity` entries the oldest is dropped. A new
    // capacity keeps the newest entries that fit.
    void Push(std::span<const double> values, TDateTime time, std::size_t capacity);
    void Clear();

private:
    void Resize(std::size_t capacity);

    std::vector<TFilterValue> FRing;
    std::size_t FOldest = 0;
    std::size_t FSize = 0;
};

// C0 .. C(N-1); C0 weights the oldest sample of the window. Used exactly as given (no
// normalisation); N = 0 means no output.
extern std::vector<double> FilterCoefficients;
// The same coefficients as the user typed them or the settings file holds them.
extern std::vector<std::string> FilterCoefficientTexts;
extern TFilterWindow FilterWindow;

// Stores the sample; once N samples are held, returns the weighted sum per channel (as many
// channels as `values` has), stamped with window entry N div 2. Nothing while N is 0 (the
// sample is then not stored) or the window is still filling. A window entry with fewer
// channels than `values` raises ERangeError.
// The window is emptied first when the sample does not continue it: a stamp before the newest
// held, or one more than max(2 s, twice the spacing of the two newest held) after it.
std::optional<TFilterValue> FilterSample(std::span<const double> values, TDateTime time);

// Empties the window; the next N - 1 samples give nothing again.
void ClearFilter();
