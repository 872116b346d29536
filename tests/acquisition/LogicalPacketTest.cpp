#include "acquisition/LogicalPacket.h"
#include "acquisition/RuntimeErrors.h"
#include "RecordingNotifier.h"

#include <gtest/gtest.h>

namespace {

const std::string GoodLine = "2024 01 05 12 34 56  21345.67  -1234.50  45678.90  21.5  20.2";

TDateTime Stamp(int y, int mo, int d, int h, int mi, int s, int ms) {
    return EncodeDate(y, mo, d) + EncodeTime(h, mi, s, ms);
}

void ExpectFails(const std::string& line) {
    TRecordingNotifier notifier;
    EXPECT_ANY_THROW(TLogicalPacket packet(line)) << line;
    ASSERT_EQ(notifier.ErrorBoxes().size(), 1u) << line;
    EXPECT_EQ(notifier.ErrorBoxes()[0],
              "Could not create LogicalPacket from received string:<" + line + ">");
}

}  // namespace

TEST(CutToken, SplitsAtRunsOfSpacesOnly) {
    std::string text = "ab   cd\tx  ";
    std::string token;
    CutToken(text, token);
    EXPECT_EQ(token, "ab");
    EXPECT_EQ(text, "cd\tx  ");
    CutToken(text, token);
    EXPECT_EQ(token, "cd\tx");
    EXPECT_EQ(text, "");
    CutToken(text, token);
    EXPECT_EQ(token, "");
    EXPECT_EQ(text, "");

    text = " lead";
    CutToken(text, token);
    EXPECT_EQ(token, "");
    EXPECT_EQ(text, "lead");
}

TEST(LogicalPacket, ParsesTheInstrumentLine) {
    TLogicalPacket packet(GoodLine);
    EXPECT_EQ(packet.Line(), GoodLine);
    EXPECT_DOUBLE_EQ(packet.TimeStamp(), Stamp(2024, 1, 5, 12, 34, 56, 0));
    EXPECT_DOUBLE_EQ(packet.Values(0), 21345.67);
    EXPECT_DOUBLE_EQ(packet.Values(1), -1234.5);
    EXPECT_DOUBLE_EQ(packet.Values(2), 45678.9);
    EXPECT_DOUBLE_EQ(packet.Values(3), 21.5);
    EXPECT_DOUBLE_EQ(packet.Values(4), 20.2);
}

TEST(LogicalPacket, AcceptsLooseSpacingSignsExponentsAndExtraTokens) {
    TLogicalPacket packet("2024  1 5 0 0 0   -12.5 1.5E3 +3 0 1e-2 twelfth token   ");
    EXPECT_DOUBLE_EQ(packet.Values(0), -12.5);
    EXPECT_DOUBLE_EQ(packet.Values(1), 1500.0);
    EXPECT_DOUBLE_EQ(packet.Values(2), 3.0);
    EXPECT_DOUBLE_EQ(packet.Values(4), 0.01);
    EXPECT_EQ(packet.Line(), "2024  1 5 0 0 0   -12.5 1.5E3 +3 0 1e-2 twelfth token   ");
}

TEST(LogicalPacket, ReadsDigitsAfterThePointAsMilliseconds) {
    EXPECT_DOUBLE_EQ(TLogicalPacket("2024 1 5 0 0 07 1 2 3 4 5").TimeStamp(),
                     Stamp(2024, 1, 5, 0, 0, 7, 0));
    EXPECT_DOUBLE_EQ(TLogicalPacket("2024 1 5 0 0 07.5 1 2 3 4 5").TimeStamp(),
                     Stamp(2024, 1, 5, 0, 0, 7, 5));
    EXPECT_DOUBLE_EQ(TLogicalPacket("2024 1 5 0 0 07.25 1 2 3 4 5").TimeStamp(),
                     Stamp(2024, 1, 5, 0, 0, 7, 25));
    EXPECT_DOUBLE_EQ(TLogicalPacket("2024 1 5 0 0 07.250 1 2 3 4 5").TimeStamp(),
                     Stamp(2024, 1, 5, 0, 0, 7, 250));
    // The year stands as written.
    EXPECT_EQ(DecodeDate(TLogicalPacket("03 1 5 0 0 0 1 2 3 4 5").TimeStamp()).Year, 3);
}

TEST(LogicalPacket, RejectsMalformedLinesWithOneBoxQuotingTheLine) {
    for (const char* line : {
             " 2024 01 05 12 34 56 1 2 3 4 5",   // leading space: empty first token
             "2024 01 05 12 34 56 1 2 3 4",      // a missing value
             "2024 01 05 12 34",                 // missing seconds
             "2024 01 05 12 34 07. 1 2 3 4 5",   // empty milliseconds
             "2024 01 05 12 34 .5 1 2 3 4 5",    // empty seconds
             "2024 01 05 12 34 07.1000 1 2 3 4 5",
             "2024 13 05 12 34 56 1 2 3 4 5",
             "2024 01 00 12 34 56 1 2 3 4 5",
             "2023 02 29 12 34 56 1 2 3 4 5",
             "1900 02 29 12 34 56 1 2 3 4 5",
             "2024 01 05 24 00 00 1 2 3 4 5",
             "2024 01 05 12 60 00 1 2 3 4 5",
             "2024 01 05 12 -1 00 1 2 3 4 5",    // negative: range error
             "2024 01 05 12 34 56 1,5 2 3 4 5",  // comma decimal separator
             "2024 01 05 12 34 56 nan 2 3 4 5",
             "2024 01 05 12 34 56 inf 2 3 4 5",
             "2024 01 05 12 34 56 0x1p3 2 3 4 5",
             "2024 01 05 12 34 56 1 2 3 4 5x",
             "99999 01 05 12 34 56 1 2 3 4 5",
         })
        ExpectFails(line);
}

TEST(LogicalPacket, ReportsReaderLinesWithoutWaiting) {
    TRecordingNotifier notifier;
    EXPECT_THROW(TLogicalPacket("bad", TBadLineReport::NonModal), EConvertError);
    EXPECT_TRUE(notifier.ErrorBoxes().empty());
    ASSERT_EQ(notifier.ReportsOf(TReportKind::BadLine).size(), 1u);
    EXPECT_EQ(notifier.ReportsOf(TReportKind::BadLine)[0],
              "Could not create LogicalPacket from received string:<bad>");
    EXPECT_THROW(TLogicalPacket("bad", TBadLineReport::Silent), EConvertError);
    EXPECT_EQ(notifier.Reports().size(), 1u);
}
