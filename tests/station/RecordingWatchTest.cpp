// The warnings before data is lost, fed with chosen clocks: each episode of silence, clock drift
// or a filling disk is reported once when it begins and once when it ends.

#include "acquisition/DateTime.h"
#include "station/RecordingWatch.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

std::vector<std::string> Texts(const std::vector<TWatchEvent>& events) {
    std::vector<std::string> texts;
    for (const TWatchEvent& event : events)
        texts.push_back((event.Warning ? "warning: " : "") + event.Text);
    return texts;
}

const TDateTime Noon = EncodeDateTime(2026, 12, 10, 12, 0, 0);
constexpr std::uint64_t Gigabyte = 1000000000;

}  // namespace

TEST(RecordingWatch, SilenceAndDriftAreReportedOncePerEpisode) {
    TRecordingWatch watch(TWatchLimits{30, 5, 7});
    EXPECT_THAT(Texts(watch.Check(0, Gigabyte)), IsEmpty());
    EXPECT_THAT(Texts(watch.Check(29, Gigabyte)), IsEmpty());
    EXPECT_THAT(Texts(watch.Check(30, Gigabyte)),
                ElementsAre("warning: no line from the instrument for 30 s (more than 30 s)"));
    EXPECT_THAT(Texts(watch.Check(95, Gigabyte)), IsEmpty());
    EXPECT_EQ(watch.CurrentText(), "no line from the instrument for 30 s (more than 30 s)");
    EXPECT_THAT(Texts(watch.Sample(125, Noon, Noon, 63)),
                ElementsAre("lines arrive again after 2 min 5 s without one"));
    EXPECT_EQ(watch.CurrentText(), "");

    // Drift beyond the limit either way, once; back within it, once.
    const double second = 1.0 / SecondsPerDay;
    EXPECT_THAT(Texts(watch.Sample(126, Noon + 5 * second, Noon, 63)), IsEmpty());
    EXPECT_THAT(Texts(watch.Sample(127, Noon - 12 * second, Noon, 63)),
                ElementsAre("warning: the instrument's clock is 12 s behind the computer's UTC "
                            "clock (more than 5 s)"));
    EXPECT_THAT(Texts(watch.Sample(128, Noon - 13 * second, Noon, 63)), IsEmpty());
    EXPECT_THAT(Texts(watch.Check(150, Gigabyte)), IsEmpty());  // 22 s is no silence yet
    EXPECT_EQ(watch.CurrentText(), "the instrument's clock is 12 s behind the computer's UTC "
                                   "clock (more than 5 s)");
    EXPECT_THAT(Texts(watch.Sample(151, Noon + 2 * second, Noon, 63)),
                ElementsAre("the instrument's clock agrees with the computer's UTC clock again"));
}

TEST(RecordingWatch, WarnsWhenTheDiskLastsFewerDaysAtTheRateWritten) {
    TRecordingWatch watch(TWatchLimits{30, 5, 7});
    // 100 bytes a second: 8.64 MB a day.
    for (int s = 0; s <= 60; ++s) watch.Sample(s, Noon, Noon, 100);
    EXPECT_FALSE(watch.DaysLeft(30, Gigabyte));  // too short a run to tell
    ASSERT_TRUE(watch.DaysLeft(60, 86400000));
    EXPECT_NEAR(*watch.DaysLeft(60, 86400000), 9.84, 0.01);  // 6100 bytes in 60 s
    EXPECT_THAT(Texts(watch.Check(60, 86400000)), IsEmpty());
    EXPECT_THAT(Texts(watch.Check(61, 40000000)),
                ElementsAre("warning: the archive's disk has room for 4.6 more days of recording "
                            "at the current rate (less than 7)"));
    EXPECT_THAT(Texts(watch.Check(62, 30000000)), IsEmpty());
    EXPECT_THAT(Texts(watch.Check(63, Gigabyte)),
                ElementsAre("the archive's disk has room for 7 days or more again"));
    EXPECT_EQ(DurationText(3 * 3600 + 600), "3 h 10 min");
}
