// The simulator's lines without any device: format, values, stamps and bad lines.
#include "acquisition/LogicalPacket.h"
#include "acquisition/RuntimeErrors.h"
#include "instrument/LineSource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

TStampMs Stamp(int y, int mo, int d, int h, int mi, int s) {
    return StampOf(EncodeDateTime(y, mo, d, h, mi, s));
}

}  // namespace

TEST(LineSource, GoodLinesParseWithTheirWholeSecondAndPlausibleValues) {
    for (std::uint64_t seed : {0u, 7u}) {
        // Four lines a second for a little over two days, looked at every 7 minutes and 13 s.
        const TLineSource source(Stamp(2023, 12, 30, 22, 0, 0), TLineRate(4, 1), TLineEnd::CrLf, 0,
                                 seed);
        for (std::uint64_t line = 1; line < 4u * 86400 * 2; line += 4 * 433 + 1) {
            const std::string text = source.Text(line);
            ASSERT_EQ(text.size(), 61u) << text;
            const TLogicalPacket packet(text, TBadLineReport::Silent);
            EXPECT_EQ(StampOf(packet.TimeStamp()), WholeSecondOf(source.Stamp(line))) << text;
            const auto expected = source.Field().Values(source.Stamp(line));
            for (int channel = 0; channel < 5; ++channel)
                EXPECT_NEAR(packet.Values(channel), expected[channel], 0.051) << text;
            EXPECT_NEAR(packet.Values(0), 21000, 100) << text;
            EXPECT_NEAR(packet.Values(1), -1200, 100) << text;
            EXPECT_NEAR(packet.Values(2), 45000, 100) << text;
            EXPECT_NEAR(packet.Values(3), 20, 5) << text;
            EXPECT_NEAR(packet.Values(4), 20, 5) << text;
        }
    }
}

TEST(SimulatedField, VariesDailyByTensOfNanoteslaWithATenthOfNoise) {
    const TSimulatedField field;
    const TStampMs midnight = Stamp(2024, 6, 1, 0, 0, 0);
    for (int channel = 0; channel < 3; ++channel) {
        double low = 1e9, high = -1e9, squares = 0;
        for (int minute = 0; minute < 24 * 60; ++minute) {
            const TStampMs at = midnight + minute * 60000;
            const double value = field.Values(at)[channel];
            low = std::min(low, value);
            high = std::max(high, value);
            // One second apart the slow variation hardly moves: what differs is noise.
            const double step = field.Values(at + 1000)[channel] - value;
            squares += step * step;
        }
        EXPECT_GE(high - low, 15.0) << "channel " << channel;
        EXPECT_LE(high - low, 90.0) << "channel " << channel;
        const double noise = std::sqrt(squares / (24 * 60) / 2);
        EXPECT_GT(noise, 0.05) << "channel " << channel;
        EXPECT_LT(noise, 0.2) << "channel " << channel;
    }
    // Reproducible for a seed, different for another.
    EXPECT_EQ(field.Values(midnight), TSimulatedField(0).Values(midnight));
    EXPECT_NE(field.Values(midnight)[0], TSimulatedField(1).Values(midnight)[0]);
}

TEST(LineSource, StampsAdvanceByExactPeriodsWithoutDrift) {
    const TStampMs start = Stamp(2024, 2, 28, 23, 59, 58);
    const TLineSource thirds(start, TLineRate(3, 1), TLineEnd::CrLf, 0);
    EXPECT_EQ(thirds.Stamp(1) - start, 333);
    EXPECT_EQ(thirds.Stamp(2) - start, 666);
    EXPECT_EQ(thirds.Stamp(3) - start, 1000);
    // A leap year of lines at 3 Hz ends exactly 366 days later: nothing adds up rounding.
    EXPECT_EQ(thirds.Stamp(3ull * 86400 * 366) - start, 366ll * 86400000);
    // Three lines share a whole second; the fourth shows the leap day.
    EXPECT_EQ(thirds.Text(5).substr(0, 19), "2024 02 28 23 59 59");
    EXPECT_EQ(thirds.Text(6).substr(0, 19), "2024 02 29 00 00 00");

    const TLineSource halves(Stamp(2023, 12, 31, 23, 59, 59), TLineRate::Parse("0.5"),
                             TLineEnd::CrLf, 0);
    EXPECT_EQ(halves.Text(1).substr(0, 19), "2024 01 01 00 00 01");
    EXPECT_EQ(halves.Stamp(1'000'000) - halves.Stamp(0), 2'000'000'000ll);

    const TLineSource last(Stamp(9999, 12, 31, 23, 59, 59), TLineRate(), TLineEnd::CrLf, 0);
    EXPECT_EQ(last.Text(0).substr(0, 19), "9999 12 31 23 59 59");
    EXPECT_THROW(last.Text(1), ERangeError);
}

TEST(LineSource, BadLinesAlternateBetweenShortAndUnparseable) {
    const TLineSource source(Stamp(2024, 1, 5, 12, 0, 0), TLineRate(), TLineEnd::LfCr, 3);
    std::vector<TLineKind> kinds;
    for (std::uint64_t line = 0; line < 12; ++line) {
        kinds.push_back(source.Kind(line));
        const std::string text = source.Text(line);
        switch (source.Kind(line)) {
            case TLineKind::Good:
                EXPECT_EQ(text.size(), 61u);
                EXPECT_NO_THROW(TLogicalPacket(text, TBadLineReport::Silent)) << text;
                break;
            case TLineKind::WrongLength: EXPECT_EQ(text.size(), 60u); break;
            case TLineKind::Unparseable:
                EXPECT_EQ(text.size(), 61u);
                EXPECT_THROW(TLogicalPacket(text, TBadLineReport::Silent), EConvertError) << text;
                break;
        }
        EXPECT_EQ(source.Bytes(line), text + "\n\r");
    }
    using K = TLineKind;
    EXPECT_EQ(kinds, (std::vector<K>{K::Good, K::Good, K::WrongLength, K::Good, K::Good,
                                     K::Unparseable, K::Good, K::Good, K::WrongLength, K::Good,
                                     K::Good, K::Unparseable}));
    EXPECT_EQ(LineEndBytes(TLineEnd::CrLf), "\r\n");
    EXPECT_EQ(LineEndBytes(TLineEnd::Cr), "\r");
}
