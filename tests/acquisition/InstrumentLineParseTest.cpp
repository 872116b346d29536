#include "acquisition/LogicalPacket.h"
#include "acquisition/NumberText.h"
#include "acquisition/RuntimeErrors.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <random>

namespace {

const std::string GoodLine = "2024 01 05 12 34 56  21345.67  -1234.50  45678.90  21.5  20.2";

std::uint64_t Bits(double value) { return std::bit_cast<std::uint64_t>(value); }

// The parser and the packet constructor must agree on every line: the same verdict and, for a
// good line, bit for bit the same stamp and values. A refused line leaves the outputs alone.
void ExpectSameAsPacket(const std::string& line) {
    TDateTime stamp = -7;
    std::array<double, 5> values{-1, -2, -3, -4, -5};
    const bool parsed = TryParseInstrumentLine(line, stamp, values);
    try {
        const TLogicalPacket packet(line, TBadLineReport::Silent);
        ASSERT_TRUE(parsed) << "parser refused a packet line: <" << line << ">";
        EXPECT_EQ(Bits(stamp), Bits(packet.TimeStamp())) << line;
        for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(Bits(values[i]), Bits(packet.Values()[i])) << line;
    } catch (const std::exception&) {
        ASSERT_FALSE(parsed) << "parser accepted a line the packet refuses: <" << line << ">";
        EXPECT_EQ(stamp, -7);
        EXPECT_EQ(values[0], -1);
        EXPECT_EQ(values[4], -5);
    }
}

// The packet's algorithm written out step by step with the public helpers: the reference for
// the parser's fast path for plain lines.
bool ReferenceParse(const std::string& line, TDateTime& stamp, std::array<double, 5>& values) {
    try {
        std::string rest = line;
        std::string token;
        int fields[7] = {};
        for (int i = 0; i < 5; ++i) {
            CutToken(rest, token);
            fields[i] = StrToInt(token);
        }
        CutToken(rest, token);
        while (!token.empty() && static_cast<unsigned char>(token.back()) <= ' ') token.pop_back();
        while (!token.empty() && static_cast<unsigned char>(token.front()) <= ' ') token.erase(0, 1);
        const std::size_t point = token.find('.');
        fields[5] = StrToInt(token.substr(0, point));
        if (point != std::string::npos) fields[6] = StrToInt(token.substr(point + 1));
        for (int field : fields)
            if (field < 0 || field > 65535) return false;
        stamp = EncodeDate(fields[0], fields[1], fields[2]) +
                EncodeTime(fields[3], fields[4], fields[5], fields[6]);
        for (double& value : values) {
            CutToken(rest, token);
            value = StrToFloat(token);
        }
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void ExpectSameAsReference(const std::string& line) {
    TDateTime stamp = 0, expectedStamp = 0;
    std::array<double, 5> values{}, expected{};
    const bool parsed = TryParseInstrumentLine(line, stamp, values);
    ASSERT_EQ(parsed, ReferenceParse(line, expectedStamp, expected)) << "<" << line << ">";
    if (!parsed) return;
    EXPECT_EQ(Bits(stamp), Bits(expectedStamp)) << line;
    for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(Bits(values[i]), Bits(expected[i])) << line;
}

std::string RandomDigits(std::mt19937& random, int count) {
    std::string digits;
    for (int i = 0; i < count; ++i) digits += static_cast<char>('0' + random() % 10);
    return digits;
}

std::string PacketError(const std::string& line) {
    try {
        TLogicalPacket packet(line, TBadLineReport::Silent);
    } catch (const EConvertError& error) {
        return std::string("convert: ") + error.what();
    } catch (const ERangeError& error) {
        return std::string("range: ") + error.what();
    }
    return "accepted";
}

}  // namespace

TEST(InstrumentLineParse, AgreesWithThePacketOnGoodAndBadLines) {
    for (const char* line : {
             "2024 01 05 12 34 56  21345.67  -1234.50  45678.90  21.5  20.2",
             "2024 01 05 12 34 07.5 1 2 3 4 5",      // 7 s 5 ms
             "2024 01 05 12 34 07.250 1 2 3 4 5",    // 7 s 250 ms
             "2024 01 05 12 34 59.999 1 2 3 4 5",
             "2024 01 05 12 34 \t07\t 1 2 3 4 5",    // the seconds token is trimmed
             "2024  1 5 0 0 0   -12.5 1.5E3 +3 0 1e-2 twelfth token   ",
             "2000 02 29 23 59 59 1 2 3 4 5",
             "0003 1 5 0 0 0 1 2 3 4 5",
             "+2024 +1 +5 0 0 0 +1 2 3 4 5",
             " 2024 01 05 12 34 56 1 2 3 4 5",       // leading space
             "2024 01 05 12 34 56 1,5 2 3 4 5",      // comma
             "2024 01 05 12 34 56 1 2 3 4",
             "2024 01 05 12 34 07. 1 2 3 4 5",
             "2024 01 05 12 34 .5 1 2 3 4 5",
             "2024 01 05 12 34 07.1000 1 2 3 4 5",
             "2024 01 05 12 34 07.-1 1 2 3 4 5",
             "2024 01 05 12 34 07.5.5 1 2 3 4 5",
             "2023 02 29 12 34 56 1 2 3 4 5",
             "1900 02 29 12 34 56 1 2 3 4 5",
             "2024 01 05 24 00 00 1 2 3 4 5",
             "2024 01 05 12 -1 00 1 2 3 4 5",
             "99999 01 05 12 34 56 1 2 3 4 5",
             "10000 01 05 12 34 56 1 2 3 4 5",
             "2024 01 05 4294967303 34 56 1 2 3 4 5",  // 2^32 + 7
             "2024 01 05 0000000007 34 56 1 2 3 4 5",
             "2024 01 05 12 34 56 nan 2 3 4 5",
             "2024 01 05 12 34 56 1 2 3 4 1e999",
             "2024 01 05 12 34 56 1 2 3 4 5\r",
             "",
         }) {
        ExpectSameAsPacket(line);
        ExpectSameAsReference(line);
    }
    // A NUL inside the line is a character like any other, not its end.
    for (const std::string& line : {std::string("2024 01 05 12 34 56 1 2 3 4 5\0", 30),
                                   std::string("2024 01 05 12 34 56 1 2 3 4 5 \0", 31)}) {
        ExpectSameAsPacket(line);
        ExpectSameAsReference(line);
    }
}

TEST(InstrumentLineParse, AgreesWithThePacketOnMutatedLines) {
    std::mt19937 random(12345);
    const std::string alphabet = "0123456789 .,-+eE\tx\r";
    for (int i = 0; i < 20000; ++i) {
        std::string line = GoodLine;
        for (int edits = 1 + static_cast<int>(random() % 3); edits > 0; --edits)
            line[random() % line.size()] = alphabet[random() % alphabet.size()];
        ExpectSameAsPacket(line);
        ExpectSameAsReference(line);
        if (HasFatalFailure()) return;
    }
}

// Plain numbers of every length around the fast path's limits (9 digits for the date and
// time fields, 15 for values) convert exactly as the general conversions convert them.
TEST(InstrumentLineParse, ReadsPlainNumbersOfAnyLengthExactly) {
    std::mt19937 random(777);
    for (int i = 0; i < 20000; ++i) {
        // Leading zeros lengthen the hour to 1..11 digits without making it invalid.
        const std::string hour = std::string(random() % 10, '0') + std::to_string(random() % 24);
        std::string line = "2024 01 05 " + hour + " 00 " +
                           RandomDigits(random, 1 + random() % 3) + "." +
                           RandomDigits(random, 1 + random() % 4);
        for (int v = 0; v < 5; ++v) {
            line += std::string(1 + random() % 3, ' ') + (random() % 2 ? "-" : "") +
                    RandomDigits(random, 1 + random() % 10);
            if (random() % 4) line += "." + RandomDigits(random, 1 + random() % 9);
        }
        ExpectSameAsReference(line);
        if (HasFatalFailure()) return;
    }
}

// The constructor raises the conversion helpers' own errors, although the parser never throws.
TEST(InstrumentLineParse, PacketStillRaisesTheErrorThatNamesTheFault) {
    EXPECT_EQ(PacketError("2024 x1 05 12 34 56 1 2 3 4 5"),
              "convert: 'x1' is not a valid integer value");
    EXPECT_EQ(PacketError("2024 01 05 12 34 07. 1 2 3 4 5"),
              "convert: '' is not a valid integer value");
    EXPECT_EQ(PacketError("2024 01 05 12 34 56 1 2,5 3 4 5"),
              "convert: '2,5' is not a valid floating point value");
    EXPECT_EQ(PacketError("2024 01 05 12 34 56 1 2 3 4"),
              "convert: '' is not a valid floating point value");
    EXPECT_EQ(PacketError("2024 01 05 12 34 70000 1 2 3 4 5"), "range: Range check error");
    EXPECT_EQ(PacketError("2023 02 29 12 34 56 1 2 3 4 5"),
              "convert: Invalid argument to date encode");
    EXPECT_EQ(PacketError("2024 01 05 12 34 07.1000 1 2 3 4 5"),
              "convert: Invalid argument to time encode");
    // A range fault comes before an impossible date, as the checks run field by field.
    EXPECT_EQ(PacketError("2024 13 05 12 34 -1 1 2 3 4 5"), "range: Range check error");
}
