// One station as the collector records it: in sequence, without duplicates, gaps asked for
// again once per interval, and a restart (also after a kill) that neither loses nor doubles.

#include "network/CollectedStation.h"
#include "network/PublishPosition.h"
#include "sim/InstrumentLine.h"
#include "TempDir.h"

#include <gtest/gtest.h>

namespace {

std::string Line(int index) {
    return FormatInstrumentLine(EncodeDateTime(2024, 5, 1, 23, 59, 0) + index / SecondsPerDay,
                                {21000.0 + index, -1200, 45000, 20.5, 19.5});
}

TLinesBatch Batch(int first, int count) {
    TLinesBatch batch{static_cast<std::uint64_t>(first), {}, 0};
    for (int index = first; index < first + count; ++index) batch.Lines.push_back(Line(index));
    return batch;
}

std::string Expected(int first, int end) {
    std::string text;
    for (int index = first; index < end; ++index) text += Line(index) + "\r\n";
    return text;
}

std::string Collected() { return ConcatenatedFiles(FilesUnder("out/TST/ARCHIVE")); }

}  // namespace

TEST(CollectedStation, RecordsInSequenceDropsDuplicatesAsksForGapsAndResumesAfterAKill) {
    TTempDir directory(true);
    std::vector<std::string> log;
    auto logger = [&log](const std::string& line) { log.push_back(line); };
    {
        TCollectedStation station("out", "TST", logger);
        EXPECT_FALSE(station.Take(Batch(10, 5)));  // first contact: recorded from line 10
        EXPECT_FALSE(station.Take(Batch(12, 6)));  // overlaps: 15..17 are new
        EXPECT_FALSE(station.Take(Batch(10, 3)));  // a duplicate
        EXPECT_EQ(station.Take(Batch(25, 2)), 18u);  // a gap: asked for once ...
        EXPECT_FALSE(station.Take(Batch(27, 2)));    // ... not again within the interval
        EXPECT_FALSE(station.Take(Batch(18, 4)));    // the resent lines close it
        EXPECT_FALSE(station.Take(TLinesBatch{22, {}, 3}));  // 22..24 are gone at the station
        EXPECT_FALSE(station.Take(Batch(25, 100)));  // across midnight: a second file
        EXPECT_EQ(station.Expected(), 125u);
        station.SavePosition(true);
    }
    std::string expected = Expected(10, 22) + Expected(25, 125);
    EXPECT_EQ(Collected(), expected);
    EXPECT_EQ(FilesUnder("out/TST/ARCHIVE").size(), 2u);
    const auto logged = [&log](const std::string& part) {
        return std::count_if(log.begin(), log.end(), [&](const std::string& line) { return line.find(part) != std::string::npos; });
    };
    EXPECT_EQ(logged("lines 18 to 24 missing"), 1);
    EXPECT_EQ(logged("gap closed"), 1);
    EXPECT_EQ(logged("lines 22 to 24 are no longer in the station's archive: lost"), 1);

    // Killed after writing lines 125..134 but before saving the position: the restart counts
    // them in the archive, so the station's repetition of them is a duplicate.
    const std::string position = ReadWholeFile("out/TST/collected.position");
    {
        TCollectedStation station("out", "TST", logger);
        station.Take(Batch(125, 10));
    }
    WriteWholeFile("out/TST/collected.position", position);
    TCollectedStation station("out", "TST", logger);
    EXPECT_EQ(station.Expected(), 135u);
    EXPECT_FALSE(station.Take(Batch(120, 20)));
    EXPECT_EQ(Collected(), expected + Expected(125, 140));
}
