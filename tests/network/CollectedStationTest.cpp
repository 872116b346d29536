// One station as the collector records it: in sequence, without duplicates, gaps asked for
// again once per interval, and a restart (also after a kill) that neither loses nor doubles;
// its derived files as each of its descriptions asks, from the line it names.

#include "acquisition/LogicalPacket.h"
#include "acquisition/NumberText.h"
#include "network/CollectedStation.h"
#include "network/FileSaver.h"
#include "network/PublishPosition.h"
#include "instrument/InstrumentLine.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

std::string Line(int index) {
    return FormatInstrumentLine(EncodeDateTime(2024, 5, 1, 23, 59, 0) + index / SecondsPerDay,
                                {21000.0 + index, -1200, 45000, 20.5, 19.5});
}

TLinesBatch Batch(int first, int count) {
    TLinesBatch batch{static_cast<std::uint64_t>(first), {}, 0, ""};
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
    // Each line with its journal priority in front, as the journal gets it.
    auto logger = [&log](const std::string& line, TLogPriority priority) {
        log.push_back("<" + std::to_string(static_cast<int>(priority)) + ">" + line);
    };
    TFileSaver saver;
    {
        TCollectedStation station("out", "TST", logger, saver, true);
        EXPECT_FALSE(station.Take(Batch(10, 5)));  // first contact, from now on: from line 10
        EXPECT_FALSE(station.Take(Batch(12, 6)));  // overlaps: 15..17 are new
        EXPECT_FALSE(station.Take(Batch(10, 3)));  // a duplicate
        EXPECT_EQ(station.Take(Batch(25, 2)), 18u);  // a gap: asked for once ...
        EXPECT_FALSE(station.Take(Batch(27, 2)));    // ... not again within the interval
        EXPECT_FALSE(station.Take(Batch(18, 4)));    // the resent lines close it
        EXPECT_FALSE(station.Take(TLinesBatch{22, {}, 3, ""}));  // 22..24 are gone at the station
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
    EXPECT_EQ(logged("<4>TST: lines 18 to 24 missing"), 1);
    EXPECT_EQ(logged("<5>TST: lines from 18 on received again, gap closed"), 1);
    EXPECT_EQ(logged("<3>TST: lines 22 to 24 are no longer in the station's archive: lost"), 1);

    // Killed after writing lines 125..134 but before saving the position: the restart counts
    // them in the archive, so the station's repetition of them is a duplicate.
    saver.Flush();
    const std::string position = ReadWholeFile("out/TST/collected.position");
    {
        TCollectedStation station("out", "TST", logger, saver);
        station.Take(Batch(125, 10));
    }
    saver.Flush();
    WriteWholeFile("out/TST/collected.position", position);
    TCollectedStation station("out", "TST", logger, saver);
    EXPECT_EQ(station.Expected(), 135u);
    EXPECT_FALSE(station.Take(Batch(120, 20)));
    EXPECT_EQ(Collected(), expected + Expected(125, 140));

    // A file the saver cannot write is reported with its path and reason; the others are written.
    saver.Save("out/TST/collected.position/x", "");
    saver.Save("out/TST/other", "other");
    saver.Flush();
    const std::vector<std::string> failures = saver.TakeFailures();
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0], "out/TST/collected.position/x: Not a directory");
    EXPECT_EQ(ReadWholeFile("out/TST/other"), "other");
}

namespace {

// A station asking for INTERMAGNET and both IAGA-2002 and ImagCDF products.
TStationMeta Description(std::uint64_t from, std::vector<std::string> coefficients) {
    TStationMeta meta;
    meta.Station = meta.IDC = "TST";
    meta.COMP = "XYZF";
    meta.GIN = "EDI";
    meta.COLA = "0400";
    meta.LONG = "0250";
    meta.DECBAS = "000000";
    meta.Coefficients = std::move(coefficients);
    meta.Iaga.SecondFiles = meta.Iaga.MinuteFiles = true;
    meta.Iaga.Header.StationName = "Test";
    meta.Iaga.Header.Latitude = "50.0";
    meta.Iaga.Header.Longitude = "10.0";
    meta.Iaga.Header.Elevation = "100";
    meta.ImagCdf.SecondFiles = meta.ImagCdf.MinuteFiles = true;
    meta.ImagCdf.Institution = "Test Institute";
    meta.Program = "orvant3k 9.9.9";
    meta.FromSeq = from;
    return meta;
}

}  // namespace

TEST(CollectedStation, DerivedFilesFollowEachDescriptionFromItsFirstLineAndRefuseBrokenHeaders) {
    TTempDir directory(true);
    std::vector<std::string> log;
    const TStationMeta first = Description(0, {"0.1", "0.25", "0.3", "0.25", "0.1"});
    // The coefficients read back exactly, as the station's run holds them.
    const TStationMeta second = Description(200, {FormatShortest(1.0 / 3), "1e-300", FormatShortest(2.0 / 3)});
    TStationMeta broken = Description(250, {"1"});
    broken.IDC = "T$T";
    {
        TFileSaver saver;
        TCollectedStation station("out", "TST", [&log](const std::string& line, TLogPriority) { log.push_back(line); }, saver);
        station.MetaSeen("{\"intermagnet\": 5}");
        station.MetaSeen("{\"intermagnet\": 5}");
        station.MetaSeen(EncodeMeta(first));
        station.Take(Batch(0, 150));  // across midnight
        station.MetaSeen(EncodeMeta(second));  // ahead of its line: waits for line 200
        station.Take(Batch(150, 100));
        station.MetaSeen(EncodeMeta(broken));
        station.MetaSeen(EncodeMeta(broken));
        station.Take(Batch(250, 50));
    }
    // The same lines through the station's own derived files, one run per description.
    for (const auto& [meta, from, end] : {std::tuple{first, 0, 200}, std::tuple{second, 200, 250}}) {
        std::string problem;
        TDerivedFiles run(*DerivedSettingsOf(meta, problem));
        run.SetBaseDirectory("station");
        for (int index = from; index < end; ++index) {
            TDateTime stamp = 0;
            std::array<double, 5> values{};
            ASSERT_TRUE(TryParseInstrumentLine(Line(index), stamp, values));
            run.Record(values, stamp);
        }
        run.Finish();
    }
    const auto station = DerivedFilesUnder("station");
    // Second files of both days (the second run goes on in the day's file), minute and
    // INTERMAGNET files of each run (the first has no minute mark before midnight); ImagCDF: the
    // first day's second file, and the second day's second and minute files so far (partial).
    EXPECT_EQ(station.size(), 9u);
    EXPECT_EQ(DerivedFilesUnder("out/TST"), station);
    EXPECT_EQ(Collected(), Expected(0, 300));

    const auto logged = [&log](const std::string& part) {
        return std::count_if(log.begin(), log.end(), [&](const std::string& line) { return line.find(part) != std::string::npos; });
    };
    EXPECT_EQ(logged("TST: a meta message that is not a station description was ignored"), 1);
    EXPECT_EQ(logged("TST: from line 0 on: INTERMAGNET one-minute values, IAGA-2002 second files, IAGA-2002 minute files"), 1);
    EXPECT_EQ(logged("TST: from line 200 on:"), 1);
    EXPECT_EQ(logged("TST: from line 250 on: no INTERMAGNET, IAGA-2002 or ImagCDF files"), 1);
    EXPECT_EQ(logged("TST: INTERMAGNET header: IDC"), 1);
    EXPECT_EQ(logged("TST: No IAGA-2002 files in this run: The IAGA code"), 1);
    EXPECT_NE(ReadWholeFile("out/TST/meta.json").find("T$T"), std::string::npos);
}

TEST(CollectedStation, TakesOnlyWhatTheStationCanHaveSaidAndFollowsItsNumberingWhereverItsFolderMoves) {
    TTempDir directory(true);
    std::vector<std::string> log;
    const auto logged = [&log](const std::string& part) {
        return std::count_if(log.begin(), log.end(), [&](const std::string& line) { return line.find(part) != std::string::npos; });
    };
    TFileSaver saver;
    {
        TCollectedStation station("out/", "TST", [&log](const std::string& line, TLogPriority) { log.push_back(line); }, saver);
        // Met through its status: from the oldest line it still has, asked for at once.
        EXPECT_EQ(station.StatusSeen(DecodeStatus(EncodeStatus(true, "", TStationProgress{"aaa", 40, 5}))), 5u);
        EXPECT_FALSE(station.Take(TLinesBatch{5, {}, 1000, "aaa"}));  // more than it ever had
        EXPECT_EQ(station.Expected(), 5u);
        TLinesBatch batch = Batch(5, 10);
        batch.Numbering = "aaa";
        EXPECT_FALSE(station.Take(batch));
        batch.Lines[3] = Line(999);  // the same numbers, other lines
        EXPECT_FALSE(station.Take(batch));
        TLinesBatch broken = Batch(15, 3);
        broken.Lines[1] += "\r\n" + Line(16);
        EXPECT_FALSE(station.Take(broken));  // 15 taken, 16 refused with the rest
        EXPECT_EQ(station.Expected(), 16u);
        EXPECT_FALSE(station.Take(TLinesBatch{16, {}, 24, "aaa"}));  // gone, as announced
        EXPECT_EQ(station.Expected(), 40u);
        // Numbered anew: lines of the old numbering no longer count.
        TLinesBatch renumbered = Batch(40, 5);
        renumbered.Seq = 0;
        renumbered.Numbering = "bbb";
        EXPECT_FALSE(station.Take(renumbered));
        EXPECT_EQ(station.Expected(), 5u);
        EXPECT_FALSE(station.Take(TLinesBatch{20, {}, 30, "aaa"}));
        EXPECT_EQ(station.Expected(), 5u);
    }
    EXPECT_EQ(logged("TST: new station, recording from line 5 (the oldest line it still has)"), 1);
    EXPECT_EQ(logged("TST: a notice that lines 5 to 1004 are gone was refused: the station has announced lines up to 39 only"), 1);
    EXPECT_EQ(logged("TST: line 8 received differs from the line recorded under that number"), 1);
    EXPECT_EQ(logged("TST: line 16 is not an archive line (124 characters, not 61)"), 1);
    EXPECT_EQ(logged("TST: the station numbers its lines anew (numbering bbb, was aaa); its archive goes on from line 0"), 1);
    EXPECT_EQ(Collected(), Expected(5, 16) + Expected(40, 45));

    // The station's folder moved (and the output folder spelled otherwise): nothing counted twice.
    saver.Flush();
    std::filesystem::rename("out", "moved");
    TCollectedStation moved("./moved//", "TST", [&log](const std::string& line, TLogPriority) { log.push_back(line); }, saver);
    EXPECT_EQ(moved.Expected(), 5u);
    EXPECT_FALSE(moved.ResendDue(false));
    EXPECT_EQ(moved.ResendDue(true), 5u);  // its subscription made: asked whatever the interval
}
