#include "acquisition/RuntimeErrors.h"
#include "recording/Filter.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

namespace {

TDateTime Second(int s) { return EncodeDateTime(2024, 1, 5, 0, 0, 0) + s / SecondsPerDay; }

// The outputs a filter gives for one-channel samples, as (second, value) pairs.
class TFilterTest : public ::testing::Test {
protected:
    void Use(std::vector<double> coefficients) { Filter = TFilter(std::move(coefficients)); }
    std::vector<std::pair<int, double>> Feed(double value, TDateTime time, int everySeconds = 0) {
        const std::array<double, 1> values{value};
        std::vector<std::pair<int, double>> outputs;
        for (const TFilterValue& out : Filter.FilterSample(values, time, everySeconds))
            outputs.emplace_back(static_cast<int>(std::lround((out.Time - Second(0)) * SecondsPerDay)),
                                 out.Values.at(0));
        return outputs;
    }
    using TOut = std::vector<std::pair<int, double>>;
    static std::vector<int> Seconds(const TOut& outputs) {
        std::vector<int> seconds;
        for (const auto& output : outputs) seconds.push_back(output.first);
        return seconds;
    }
    TFilter Filter;
};

}  // namespace

TEST_F(TFilterTest, WeightsOldestFirstCentredOnTheOutputsSecond) {
    Use({});
    for (int s = 0; s < 5; ++s) EXPECT_TRUE(Feed(1.0, Second(s)).empty());

    Use({1.0});  // passes every sample through with its own stamp and all its channels
    const std::array<double, 5> five{1, 2, 3, 4, 5};
    const auto& out = Filter.FilterSample(five, Second(7));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].Values, std::vector<double>(five.begin(), five.end()));
    EXPECT_EQ(out[0].Time, Second(7));

    // The window of second 1 is complete when sample 2 arrives.
    Use({0.25, 0.5, 0.25});
    EXPECT_EQ(Feed(10, Second(0)), TOut{});
    EXPECT_EQ(Feed(20, Second(1)), TOut{});
    EXPECT_EQ(Feed(40, Second(2)), (TOut{{1, 22.5}}));

    // Not symmetric: C0 weights the oldest sample. Even N: the output's own sample takes
    // C(N/2), the window reaching two seconds back and one forward.
    Use({1.0, 0.0, 0.0, 0.0});
    for (int s = 0; s < 4; ++s) Feed(100.0 + s, Second(s));
    EXPECT_EQ(Feed(104, Second(4)), (TOut{{3, 101.0}}));
    EXPECT_EQ(Filter.Lead(), 2);
    EXPECT_EQ(Filter.Lag(), 1);
}

TEST_F(TFilterTest, OneSampleASecondTheFirstOfEachSecondNeverOneGoneBack) {
    Use({0.25, 0.5, 0.25});
    Feed(10, Second(0));
    Feed(20, Second(1));
    // Later lines of second 1, the clock gone back, and a stamp a fraction into second 1: no
    // input, so the value of second 1 is that of the first samples of seconds 0, 1, 2.
    EXPECT_EQ(Feed(1000, Second(1)), TOut{});
    EXPECT_EQ(Feed(1000, Second(0)), TOut{});
    EXPECT_EQ(Feed(1000, Second(1) + 0.4 / SecondsPerDay), TOut{});
    EXPECT_EQ(Feed(40, Second(2)), (TOut{{1, 22.5}}));
    EXPECT_EQ(Feed(1000, Second(2)), TOut{});

    Filter.ClearFilter();  // a new run: second 2 is input again, and its window starts empty
    EXPECT_EQ(Feed(40, Second(2)), TOut{});
    EXPECT_EQ(Feed(80, Second(3)), TOut{});
}

TEST_F(TFilterTest, AbsentSamplesAreRenormalisedWhileNinetyPercentOfTheWeightIsPresent) {
    // 10 + 10 + 60 + 10 + 10 %: the window of a second starts to count once 90 % are held.
    Use({0.1, 0.1, 0.6, 0.1, 0.1});
    for (int s = 0; s <= 2; ++s) EXPECT_EQ(Feed(100, Second(s)), TOut{});
    EXPECT_EQ(Seconds(Feed(100, Second(3))), std::vector<int>{1});  // lacks -1: 90 %
    EXPECT_EQ(Seconds(Feed(100, Second(4))), std::vector<int>{2});
    // 5 is lost: 3 and 4 lack 10 % each and come with 6; 5 lacks its centre: missing.
    EXPECT_EQ(Seconds(Feed(100, Second(6))), (std::vector<int>{3, 4}));
    EXPECT_EQ(Feed(190, Second(7)), TOut{});
    // 6 lacks 5 (C1): (0.1*100 + 0.6*100 + 0.1*190 + 0.1*100) / 0.9.
    const auto six = Feed(100, Second(8));
    ASSERT_EQ(Seconds(six), std::vector<int>{6});
    EXPECT_NEAR(six[0].second, 110.0, 1e-9);
    // 9 to 11 are lost: nothing until a window holds 90 % again (13: 12 .. 15 present).
    for (int s : {12, 13, 14}) EXPECT_EQ(Feed(100, Second(s)), TOut{}) << s;
    EXPECT_EQ(Seconds(Feed(100, Second(15))), std::vector<int>{13});
}

TEST_F(TFilterTest, AGapDecidesEveryPendingMarkAndSkipsTheEmptyOnes) {
    // One-minute marks of a 5-tap filter; the samples stop at 61, so the window of 60 lacks 62
    // (10 %) and is decided when the next sample, a day later, arrives; nothing in between.
    Use({0.1, 0.1, 0.6, 0.1, 0.1});
    for (int s = 0; s <= 61; ++s) EXPECT_EQ(Feed(7, Second(s), 60), TOut{}) << s;
    const auto late = Feed(7, Second(86400 + 30), 60);
    ASSERT_EQ(Seconds(late), std::vector<int>{60});
    EXPECT_NEAR(late[0].second, 7.0, 1e-12);
    for (int s = 86400 + 31; s <= 86400 + 61; ++s) EXPECT_EQ(Feed(7, Second(s), 60), TOut{}) << s;
    EXPECT_EQ(Seconds(Feed(7, Second(86400 + 62), 60)), std::vector<int>{86460});
}

TEST_F(TFilterTest, OnlyMarksAreComputedAndTheyEqualTheOutputsOfEverySecond) {
    // Two filters over the same samples, one asked for whole minutes only; a gap of an hour,
    // a lost sample and repeated lines on the way.
    const std::vector<double> coefficients{0.2, 0.25, 0.3, 0.25};
    TFilter every(coefficients), minutes(coefficients);
    int computed = 0;
    for (int s = 0; s < 3 * 3600; ++s) {
        if ((s >= 100 && s < 3700) || s == 7000) continue;
        for (int repeat = 0; repeat < (s % 5 == 0 ? 3 : 1); ++repeat) {
            const std::array<double, 1> values{1000.0 + s % 7 + repeat};
            const auto full = every.FilterSample(values, Second(s));
            const auto sparse = minutes.FilterSample(values, Second(s), 60);
            std::size_t next = 0;
            for (const TFilterValue& out : full) {
                if (std::lround((out.Time - Second(0)) * SecondsPerDay) % 60 != 0) continue;
                ASSERT_LT(next, sparse.size()) << s;
                EXPECT_EQ(sparse[next].Values, out.Values);
                EXPECT_EQ(sparse[next].Time, out.Time);
                ++next;
                ++computed;
            }
            EXPECT_EQ(next, sparse.size()) << s;
        }
    }
    EXPECT_GT(computed, 100);
}

TEST_F(TFilterTest, MoreChannelsThanAHeldSampleIsARangeErrorAndABadStampToo) {
    Use({0.5, 0.5});
    Feed(1, Second(0));
    const std::array<double, 2> two{1, 2};
    EXPECT_THROW(Filter.FilterSample(two, Second(1)), ERangeError);
    EXPECT_THROW(Feed(1, std::nan("")), ERangeError);
    EXPECT_THROW(Feed(1, 1e300), ERangeError);
}
