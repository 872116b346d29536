#pragma once
// The decimation filter of the derived products (INTERMAGNET and IAGA-2002 minute values): a FIR
// filter over the most recent N samples, N being the number of coefficients, stamped with the
// time of the window's middle sample. Each run owns its filter, with a copy of the station's
// coefficients taken at its start, so that runs side by side never share a window.

#include "acquisition/DateTime.h"

#include <cstddef>
#include <cstdint>
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

// The station's coefficients, as the settings and the parameters dialog keep them: C0 ..
// C(N-1), C0 weighting the oldest sample of the window, used exactly as given (no
// normalisation). A run copies them at its start.
// Thread rule: user-interface thread only, and never changed while a run starts.
extern std::vector<double> FilterCoefficients;
// The same coefficients as the user typed them or the settings file holds them.
extern std::vector<std::string> FilterCoefficientTexts;

// One run's filter: its coefficients and its window. N = 0 means no output.
// Thread rule: an object is used by one thread only (the one that records the samples).
class TFilter {
public:
    TFilter() = default;
    explicit TFilter(std::vector<double> coefficients) : FCoefficients(std::move(coefficients)) {}

    // Stores the sample; once N samples are held, returns the weighted sum per channel (as many
    // channels as `values` has), stamped with window entry N div 2. Nothing while N is 0 (the
    // sample is then not stored) or the window is still filling. A window entry with fewer
    // channels than `values` raises ERangeError.
    // The window is emptied first when the sample does not continue it: a stamp before the newest
    // held, or one more than max(2 s, twice the spacing of the two newest held) after it.
    // With `onlyEverySeconds` > 0 an output is computed only when its stamp, rounded to the
    // second as the writers round it, falls on a multiple of that many seconds: the writers take
    // no other output, and the window (and its gap rule) still sees every sample.
    std::optional<TFilterValue> FilterSample(std::span<const double> values, TDateTime time,
                                             std::int32_t onlyEverySeconds = 0);

    // Empties the window; the next N - 1 samples give nothing again.
    void ClearFilter();

    // New coefficients; the window keeps its newest entries that fit.
    void SetCoefficients(std::vector<double> coefficients) { FCoefficients = std::move(coefficients); }
    const std::vector<double>& Coefficients() const { return FCoefficients; }
    const TFilterWindow& Window() const { return FWindow; }

private:
    std::vector<double> FCoefficients;
    TFilterWindow FWindow;
};
