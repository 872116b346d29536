#include "acquisition/RuntimeErrors.h"
#include "recording/Filter.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

namespace {

class TFilterTest : public ::testing::Test {
protected:
    void Use(std::vector<double> coefficients) {
        Filter.SetCoefficients(std::move(coefficients));
        Filter.ClearFilter();
    }
    static TDateTime Second(int s) { return EncodeDateTime(2024, 1, 5, 0, 0, s); }
    std::optional<TFilterValue> Feed(double value, TDateTime time) {
        const std::array<double, 1> values{value};
        return Filter.FilterSample(values, time);
    }
    TFilter Filter;
};

}  // namespace

TEST_F(TFilterTest, WithoutCoefficientsGivesNothingAndStoresNothing) {
    Use({});
    for (int s = 0; s < 5; ++s) EXPECT_FALSE(Feed(1.0, Second(s)));
    EXPECT_EQ(Filter.Window().Size(), 0u);
}

TEST_F(TFilterTest, SingleUnitCoefficientPassesEverySampleThrough) {
    Use({1.0});
    const std::array<double, 5> five{1, 2, 3, 4, 5};
    const auto out = Filter.FilterSample(five, Second(7));
    ASSERT_TRUE(out);
    EXPECT_EQ(out->Values, std::vector<double>(five.begin(), five.end()));
    EXPECT_EQ(out->Time, Second(7));
}

TEST_F(TFilterTest, WeightsOldestFirstAndStampsTheMiddleSample) {
    Use({0.25, 0.5, 0.25});
    EXPECT_FALSE(Feed(10, Second(0)));
    EXPECT_FALSE(Feed(20, Second(1)));
    auto out = Feed(40, Second(2));
    ASSERT_TRUE(out);
    EXPECT_DOUBLE_EQ(out->Values[0], 22.5);
    EXPECT_EQ(out->Time, Second(1));

    // Not symmetric: C0 weights the oldest sample; the window slides by one per call.
    Use({1.0, 0.0, 0.0, 0.0});
    for (int s = 0; s < 3; ++s) EXPECT_FALSE(Feed(100.0 + s, Second(s)));
    for (int s = 3; s < 10; ++s) {
        out = Feed(100.0 + s, Second(s));
        ASSERT_TRUE(out);
        EXPECT_DOUBLE_EQ(out->Values[0], 100.0 + s - 3);
        EXPECT_EQ(out->Time, Second(s - 1));  // entry N div 2 = the third of four
    }
    EXPECT_EQ(Filter.Window().Size(), 4u);
    EXPECT_EQ(Filter.Window()[0].Time, Second(6));
}

TEST_F(TFilterTest, ClearFilterRestartsTheFilling) {
    Use({0.5, 0.5});
    EXPECT_FALSE(Feed(1, Second(0)));
    EXPECT_TRUE(Feed(3, Second(1)));
    Filter.ClearFilter();
    EXPECT_EQ(Filter.Window().Size(), 0u);
    EXPECT_FALSE(Feed(5, Second(2)));
    const auto out = Feed(7, Second(3));
    ASSERT_TRUE(out);
    EXPECT_DOUBLE_EQ(out->Values[0], 6.0);
}

TEST_F(TFilterTest, AGapOrAStepBackRestartsTheWindowButAMissingOrSharedStampDoesNot) {
    Use({0.25, 0.5, 0.25});
    Feed(10, Second(0));
    Feed(20, Second(1));
    auto out = Feed(40, Second(3));  // one missing sample: 2 s continue a 1 s spacing
    ASSERT_TRUE(out);
    EXPECT_DOUBLE_EQ(out->Values[0], 22.5);
    out = Feed(80, Second(7));  // twice the last spacing of 2 s
    ASSERT_TRUE(out);
    EXPECT_DOUBLE_EQ(out->Values[0], 45.0);
    EXPECT_EQ(out->Time, Second(3));
    out = Feed(0, Second(7));  // a second line with the same stamp
    ASSERT_TRUE(out);
    EXPECT_EQ(out->Time, Second(7));

    // The last spacing is now 0, so anything beyond 2 s is a gap; with one sample held too.
    EXPECT_FALSE(Feed(1, Second(10)));
    EXPECT_FALSE(Feed(1, Second(13)));
    ASSERT_EQ(Filter.Window().Size(), 1u);
    EXPECT_EQ(Filter.Window()[0].Time, Second(13));
    EXPECT_FALSE(Feed(1, Second(14)));
    EXPECT_FALSE(Feed(1, Second(12)));  // the clock went back
    ASSERT_EQ(Filter.Window().Size(), 1u);
    EXPECT_EQ(Filter.Window()[0].Time, Second(12));
}

TEST_F(TFilterTest, ChangedLengthKeepsTheNewestSamples) {
    Use({0.0, 0.0, 0.0, 1.0});
    for (int s = 0; s < 4; ++s) Feed(s, Second(s));
    Filter.SetCoefficients({1.0, 0.0});  // the window shrinks to the newest entries
    const auto out = Feed(4, Second(4));
    ASSERT_TRUE(out);
    EXPECT_DOUBLE_EQ(out->Values[0], 3.0);
    EXPECT_EQ(out->Time, Second(4));
}

TEST_F(TFilterTest, MoreChannelsThanTheWindowHoldsIsARangeError) {
    Use({0.5, 0.5});
    Feed(1, Second(0));
    const std::array<double, 2> two{1, 2};
    EXPECT_THROW(Filter.FilterSample(two, Second(1)), ERangeError);
}

TEST_F(TFilterTest, OnlyOutputsOnRecordTimesAreComputedAndTheyEqualTheFullOnes) {
    // Two filters over the same samples, one asked for whole minutes only; a gap of an hour and
    // a one-sample gap on the way.
    const std::vector<double> coefficients{0.25, 0.5, 0.25};
    TFilter every(coefficients), minutes(coefficients);
    int computed = 0;
    for (int s = 0; s < 3 * 3600; ++s) {
        if ((s >= 100 && s < 3700) || s == 7000) continue;
        const std::array<double, 1> values{1000.0 + s % 7};
        const TDateTime time = Second(0) + s / SecondsPerDay;
        const auto full = every.FilterSample(values, time);
        const auto sparse = minutes.FilterSample(values, time, 60);
        if (full && std::lround(full->Time * SecondsPerDay) % 60 == 0) {
            ASSERT_TRUE(sparse) << s;
            EXPECT_EQ(sparse->Values, full->Values);
            EXPECT_EQ(sparse->Time, full->Time);
            ++computed;
        } else {
            EXPECT_FALSE(sparse) << s;
        }
    }
    EXPECT_GT(computed, 100);
}
