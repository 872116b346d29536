// The simulator's arguments: what they set and which ones are refused.
#include "sim/SimulatorCommandLine.h"

#include "acquisition/RuntimeErrors.h"

#include <gtest/gtest.h>

namespace {

TSimulatorOptions Parse(const std::vector<std::string>& arguments) {
    return ParseSimulatorCommandLine(arguments).Options;
}

}  // namespace

TEST(SimulatorCommandLine, SetsEveryOption) {
    const TSimulatorOptions defaults = Parse({});
    EXPECT_TRUE(defaults.DevicePath.empty());
    EXPECT_EQ(defaults.Rate, TLineRate());
    EXPECT_FALSE(defaults.Fast);
    EXPECT_FALSE(defaults.Start.has_value());
    EXPECT_EQ(defaults.Count, 0u);
    EXPECT_EQ(defaults.LineEnd, TLineEnd::CrLf);
    EXPECT_EQ(defaults.BadEvery, 0u);

    const TSimulatorOptions options =
        Parse({"--link", "/tmp/x", "--rate", "2.5", "--start", "2024-02-29 23:59:59", "--count",
               "12", "--line-end=lfcr", "--bad-every", "4"});
    EXPECT_EQ(options.LinkPath, "/tmp/x");
    EXPECT_EQ(options.Rate, TLineRate(5, 2));
    EXPECT_DOUBLE_EQ(*options.Start, EncodeDateTime(2024, 2, 29, 23, 59, 59));
    EXPECT_EQ(options.Count, 12u);
    EXPECT_EQ(options.LineEnd, TLineEnd::LfCr);
    EXPECT_EQ(options.BadEvery, 4u);

    const TSimulatorOptions fast = Parse({"--device", "/dev/ttyS0", "--fast", "--line-end", "cr"});
    EXPECT_EQ(fast.DevicePath, "/dev/ttyS0");
    EXPECT_TRUE(fast.Fast);
    EXPECT_EQ(fast.LineEnd, TLineEnd::Cr);

    EXPECT_EQ(ParseSimulatorCommandLine({"--help"}).Action, TSimulatorCommand::TAction::Help);
    EXPECT_EQ(ParseSimulatorCommandLine({"--version"}).Action,
              TSimulatorCommand::TAction::Version);
}

TEST(SimulatorCommandLine, RefusesWhatCannotBeUsed) {
    const std::vector<std::vector<std::string>> refused = {
        {"--device", "/dev/ttyS0", "--link", "/tmp/x"},
        {"--rate", "2", "--fast"},
        {"--rate", "0"},
        {"--rate", "-1"},
        {"--rate", "1e3"},
        {"--rate", "1,5"},
        {"--rate", "100001"},
        {"--rate", "0.0000001"},
        {"--rate", "."},
        {"--count", "0"},
        {"--count", "-3"},
        {"--count", "+3"},
        {"--count", "3000000000"},
        {"--count"},
        {"--bad-every", "x"},
        {"--start", "2023-02-29 00:00:00"},
        {"--start", "2024-01-01 24:00:00"},
        {"--start", "2024-1-01 00:00:00"},
        {"--start", "2024-01-01T00:00:00"},
        {"--line-end", "lf"},
        {"--device", ""},
        {"--count", "1", "--count", "2"},
        {"--speed", "3"},
        {"stray"},
    };
    for (const auto& arguments : refused) {
        std::string shown;
        for (const auto& argument : arguments) shown += argument + " ";
        EXPECT_THROW(ParseSimulatorCommandLine(arguments), EUsageError) << shown;
    }
}

TEST(LineRate, ParsesDecimalRatesAsExactFractions) {
    EXPECT_EQ(TLineRate::Parse("1"), TLineRate(1, 1));
    EXPECT_EQ(TLineRate::Parse("0.5"), TLineRate(1, 2));
    EXPECT_EQ(TLineRate::Parse("12.25"), TLineRate(49, 4));
    EXPECT_EQ(TLineRate::Parse("100000"), TLineRate(100000, 1));
    EXPECT_EQ(TLineRate::Parse("0.000001"), TLineRate(1, 1000000));
    EXPECT_EQ(TLineRate::Parse("0.5").Offset(3), std::chrono::seconds(6));
    EXPECT_EQ(TLineRate(3, 1).Offset(1), std::chrono::nanoseconds(333333333));
    // Ten years at the highest rate still computes exactly.
    const std::uint64_t lines = 100000ull * 86400 * 3653;
    EXPECT_EQ(TLineRate(100000, 1).Offset(lines), std::chrono::seconds(86400ll * 3653));
    EXPECT_THROW(TLineRate::Parse(""), EConvertError);
}
