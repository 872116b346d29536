#pragma once
// The decimation filter of the derived products (INTERMAGNET and IAGA-2002 minute values): a FIR
// filter aligned by time, as the data centres compute one-minute values from one-second data.
// The output at second T weights the sample stamped T - Lead() + i with C_i, i = 0 .. N-1
// (Lead() = N div 2: for odd N the window is centred; for even N it reaches one second further
// back than forward, the sample stamped T taking C(N/2)). A sample that is absent contributes
// nothing; the output is the weighted sum scaled by (sum of all coefficients) / (sum of those
// present) when those present hold at least 90 % of the weight, and missing otherwise, so that
// a gap never shifts a value off its time and a complete window gives the plain weighted sum.
// Each run owns its filter, with a copy of the station's coefficients taken at its start, so
// that runs side by side never share a window.

#include "acquisition/DateTime.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// A filter output: one value per channel and the time stamp.
struct TFilterValue {
    std::vector<double> Values;
    TDateTime Time = 0;
};

// The station's coefficients, as the settings and the parameters dialog keep them: C0 ..
// C(N-1), C0 weighting the oldest sample of the window, used exactly as given (no
// normalisation). A run copies them at its start.
// Thread rule: user-interface thread only, and never changed while a run starts.
extern std::vector<double> FilterCoefficients;
// The same coefficients as the user typed them or the settings file holds them.
extern std::vector<std::string> FilterCoefficientTexts;

// One run's filter: its coefficients and the samples its pending outputs need. N = 0 means no
// output.
// Thread rule: an object is used by one thread only (the one that records the samples).
class TFilter {
public:
    // The share of the coefficients' weight that must be present for an output.
    static constexpr double LeastWeightPresent = 0.9;

    TFilter() = default;
    explicit TFilter(std::vector<double> coefficients);

    // Takes the sample as filter input when it is the first one stamped after the last input
    // (one sample a second: later samples of a second, and a clock gone back, are no input),
    // then returns the outputs it decides, oldest first: those whose window now lies wholly at
    // or before the newest input, on seconds that are multiples of `everySeconds` (0: every
    // second), and that hold enough weight. The outputs have as many channels as `values` and
    // stay valid until the next call. Nothing while N is 0 (the sample is then not stored).
    // A held sample with fewer channels than `values` raises ERangeError.
    const std::vector<TFilterValue>& FilterSample(std::span<const double> values, TDateTime time,
                                                  std::int32_t everySeconds = 0);

    // Forgets every input; the next output needs its window filled again.
    void ClearFilter();

    const std::vector<double>& Coefficients() const { return FCoefficients; }
    // Seconds the window reaches before and after its output's time.
    std::int64_t Lead() const { return static_cast<std::int64_t>(FCoefficients.size() / 2); }
    std::int64_t Lag() const { return static_cast<std::int64_t>(FCoefficients.size()) - 1 - Lead(); }

private:
    struct TSlot {
        std::int64_t Second = 0;
        bool Held = false;
        std::vector<double> Values;
    };

    // Decides the marks from FNextMark up to `last`.
    void DecideThrough(std::int64_t last, std::int64_t step, std::size_t channels);
    void Output(std::int64_t second, std::size_t channels);
    const TSlot* Held(std::int64_t second) const;

    std::vector<double> FCoefficients;
    double FWeight = 0;  // the sum of all coefficients, in their order
    // Slot second mod N holds the sample of that second while a pending output may need it.
    std::vector<TSlot> FSlots;
    bool FHasInput = false;
    std::int64_t FLastInput = 0;
    std::size_t FLastIndex = 0;   // the slot of FLastInput
    std::int64_t FStep = 1;       // seconds between the outputs asked for
    std::int64_t FNextMark = 0;   // the first output not yet decided
    std::vector<TFilterValue> FOutputs;
};
