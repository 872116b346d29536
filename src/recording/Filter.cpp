#include "recording/Filter.h"

#include "acquisition/RuntimeErrors.h"

#include <cmath>

std::vector<double> FilterCoefficients;
std::vector<std::string> FilterCoefficientTexts;

namespace {

constexpr std::int64_t SecondsADay = 86400;

// The second a sample belongs to, as the IAGA-2002 second files take it: its stamp rounded to
// the millisecond, then cut to the second.
std::int64_t SecondOf(TDateTime time) {
    // Far beyond any date the instrument can send; keeps the conversion to integers defined.
    if (!std::isfinite(time) || std::fabs(time) > 1e8) throw ERangeError();
    const auto milliseconds = static_cast<std::int64_t>(std::llround(time * MillisecondsPerDay));
    return milliseconds >= 0 ? milliseconds / 1000 : -((999 - milliseconds) / 1000);
}

std::int64_t Remainder(std::int64_t value, std::int64_t divisor) {
    const std::int64_t rest = value % divisor;
    return rest < 0 ? rest + divisor : rest;
}

TDateTime TimeOf(std::int64_t second) {
    std::int64_t day = second / SecondsADay, rest = second % SecondsADay;
    if (rest < 0) {
        rest += SecondsADay;
        --day;
    }
    return static_cast<double>(day) + static_cast<double>(rest) / SecondsPerDay;
}

// The first multiple of `step` at or after `second`.
std::int64_t NextMultiple(std::int64_t second, std::int64_t step) {
    const std::int64_t rest = Remainder(second, step);
    return rest == 0 ? second : second + (step - rest);
}

}  // namespace

TFilter::TFilter(std::vector<double> coefficients) : FCoefficients(std::move(coefficients)) {
    for (double coefficient : FCoefficients) FWeight += coefficient;
    FSlots.resize(FCoefficients.size());
}

void TFilter::ClearFilter() {
    for (TSlot& slot : FSlots) slot.Held = false;
    FHasInput = false;
    FOutputs.clear();
}

const TFilter::TSlot* TFilter::Held(std::int64_t second) const {
    const TSlot& slot =
        FSlots[static_cast<std::size_t>(Remainder(second, static_cast<std::int64_t>(FSlots.size())))];
    return slot.Held && slot.Second == second ? &slot : nullptr;
}

const std::vector<TFilterValue>& TFilter::FilterSample(std::span<const double> values,
                                                       TDateTime time, std::int32_t everySeconds) {
    FOutputs.clear();
    const std::size_t n = FCoefficients.size();
    if (n == 0) return FOutputs;
    const std::int64_t second = SecondOf(time);
    if (FHasInput && second <= FLastInput) return FOutputs;
    const std::int64_t step = everySeconds > 0 ? everySeconds : 1;
    if (!FHasInput) {
        FNextMark = NextMultiple(second - Lag(), step);  // earlier windows hold nothing of this run
    } else {
        if (step != FStep) FNextMark = NextMultiple(FNextMark, step);
        if (second > FLastInput + 1) {
            // Windows that end before this sample: all they will ever hold is held now. Beyond
            // the last input's reach they hold nothing and are missing without a look.
            DecideThrough(std::min(second - Lag() - 1, FLastInput + Lead()), step, values.size());
            if (FNextMark < second - Lag()) FNextMark = NextMultiple(second - Lag(), step);
        }
    }
    FStep = step;
    // The next second, the usual case, takes the next slot without a division.
    const std::size_t index =
        FHasInput && second == FLastInput + 1
            ? (FLastIndex + 1 == n ? 0 : FLastIndex + 1)
            : static_cast<std::size_t>(Remainder(second, static_cast<std::int64_t>(n)));
    TSlot& slot = FSlots[index];
    slot.Second = second;
    slot.Held = true;
    slot.Values.assign(values.begin(), values.end());  // keeps the slot's storage
    FHasInput = true;
    FLastInput = second;
    FLastIndex = index;
    // The window of second - Lag() ends with this sample, and no later input can enter it.
    DecideThrough(second - Lag(), step, values.size());
    return FOutputs;
}

void TFilter::DecideThrough(std::int64_t last, std::int64_t step, std::size_t channels) {
    for (; FNextMark <= last; FNextMark += step) Output(FNextMark, channels);
}

void TFilter::Output(std::int64_t second, std::size_t channels) {
    TFilterValue output;
    output.Values.assign(channels, 0.0);
    const std::int64_t first = second - Lead();
    double present = 0;
    bool complete = true;
    for (std::size_t j = 0; j < FCoefficients.size(); ++j) {
        const TSlot* sample = Held(first + static_cast<std::int64_t>(j));
        const double coefficient = FCoefficients[j];
        if (!sample) {
            complete = false;
            continue;
        }
        if (sample->Values.size() < channels) throw ERangeError();
        present += coefficient;
        // Per channel the terms are added from the oldest sample to the newest.
        for (std::size_t i = 0; i < channels; ++i) output.Values[i] += sample->Values[i] * coefficient;
    }
    if (!complete) {
        // Coefficients typed as decimals rarely sum exactly: a share that is 90 % on paper
        // must not fail on the last bit.
        const double least = LeastWeightPresent * FWeight - 1e-12 * std::fabs(FWeight);
        if (!(FWeight > 0) || present <= 0 || present < least) return;
        const double scale = FWeight / present;
        for (double& value : output.Values) value *= scale;
    }
    output.Time = TimeOf(second);
    FOutputs.push_back(std::move(output));
}
