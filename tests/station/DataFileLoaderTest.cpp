#include "station/DataFileLoader.h"

#include "acquisition/LogicalPacket.h"
#include "acquisition/RuntimeErrors.h"
#include "recording/TextWithTimeDataFile.h"
#include "instrument/InstrumentLine.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

const TDateTime Start = EncodeDateTime(2024, 1, 5, 12, 0, 0);

std::string Line(int index) {
    const double x = index;
    return FormatInstrumentLine(Start + index / SecondsPerDay,
                                {21000 + x / 10, -1200 - x / 10, 45000 + x / 100, 20.5, -3.5});
}

std::string Lines(int count, const std::string& end = "\r\n") {
    std::string text;
    for (int i = 0; i < count; ++i) text += Line(i) + end;
    return text;
}

template <typename TError>
std::string ErrorOf(const std::string& path, const TLoadOptions& options = {}) {
    try {
        LoadDataFile(path, options);
    } catch (const TError& error) {
        return error.what();
    }
    return "no error";
}

class DataFileLoader : public ::testing::Test {
protected:
    std::string Write(const std::string& content) {
        WriteWholeFile(Dir.File("data.orv"), content);
        return Dir.File("data.orv");
    }
    TTempDir Dir;
};

}  // namespace

TEST_F(DataFileLoader, GivesThePacketsOfAnArchiveFileAsColumns) {
    const TLoadedData data = LoadDataFile(Write(Lines(300)));
    ASSERT_EQ(data.GoodLines, 300u);
    ASSERT_EQ(data.Times.size(), 300u);
    for (int i : {0, 1, 299}) {
        const TLogicalPacket packet(Line(i));
        EXPECT_EQ(data.Times[i], packet.TimeStamp());
        for (int c = 0; c < 5; ++c) EXPECT_EQ(data.Values[c][i], packet.Values(c)) << c;
    }
    EXPECT_EQ(data.BadLineCount, 0u);
    EXPECT_TRUE(data.TimesAscending);
    EXPECT_FALSE(data.Cancelled);
}

TEST(DataFileLoaderArchive, ReadsBackWhatTheArchiveWrites) {
    TTempDir dir(true);
    std::string path;
    {
        TTextWithTimeDataFile archive;
        for (int i = 0; i < 2000; ++i) archive.WriteDateFile(Line(i), Start + i / SecondsPerDay);
        path = archive.GetFileName();
    }
    const TLoadedData data = LoadDataFile(path);
    ASSERT_EQ(data.GoodLines, 2000u);
    EXPECT_EQ(data.BadLineCount, 0u);
    EXPECT_EQ(data.Times[1999], TLogicalPacket(Line(1999)).TimeStamp());
    EXPECT_EQ(data.Values[4][1999], -3.5);
}

TEST_F(DataFileLoader, ListsBadLinesWithTheGoodLineCountBeforeThem) {
    const std::string content = Line(0) + "\r\n" + "garbage\r\n" + Line(2) + "\r\n" +
                                Line(3).replace(25, 1, "O") + "\r\n" + Line(1) + "\r\n";
    const TLoadedData data = LoadDataFile(Write(content));
    EXPECT_EQ(data.GoodLines, 3u);
    ASSERT_EQ(data.BadLineCount, 2u);
    ASSERT_EQ(data.BadLines.size(), 2u);
    EXPECT_EQ(data.BadLines[0].LineNumber, 2u);
    EXPECT_EQ(data.BadLines[0].GoodLinesBefore, 1u);
    EXPECT_EQ(data.BadLines[1].LineNumber, 4u);
    EXPECT_EQ(data.BadLines[1].GoodLinesBefore, 2u);
    EXPECT_EQ(data.FirstBadLineText, "garbage");
    EXPECT_EQ(data.FirstBadLineReason, "'garbage' is not a valid integer value");
    EXPECT_FALSE(data.TimesAscending);  // the last line goes back in time

    TLoadOptions options;
    options.MaxListedBadLines = 1;
    const TLoadedData capped = LoadDataFile(Write(content), options);
    EXPECT_EQ(capped.BadLineCount, 2u);
    EXPECT_EQ(capped.BadLines.size(), 1u);
}

TEST_F(DataFileLoader, EmptyFileGivesNothingAndFullProgress) {
    std::vector<double> fractions;
    TLoadOptions options;
    options.Progress = [&](double fraction) { fractions.push_back(fraction); };
    const TLoadedData data = LoadDataFile(Write(""), options);
    EXPECT_EQ(data.GoodLines, 0u);
    EXPECT_TRUE(data.Times.empty());
    EXPECT_EQ(data.BadLineCount, 0u);
    EXPECT_EQ(fractions, (std::vector<double>{0.0, 1.0}));
}

TEST_F(DataFileLoader, SplitsAtEveryKindOfLineEndAcrossBlockBoundaries) {
    const std::string body = Line(0) + "\r\n" + Line(1) + "\n" + Line(2) + "\r" + Line(3) + "\r\n";
    for (const std::string& content : {body, body + Line(4), body + Line(4) + "\r",
                                       Lines(5, "\n"), Lines(5, "\r")}) {
        for (std::size_t block : {1, 2, 3, 61, 62, 63, 64, 4096}) {
            TLoadOptions options;
            options.BlockSize = block;
            const TLoadedData data = LoadDataFile(Write(content), options);
            const std::uint64_t expected = content.size() > body.size() ? 5 : 4;
            EXPECT_EQ(data.GoodLines, expected) << "block " << block;
            EXPECT_EQ(data.BadLineCount, 0u) << "block " << block;
            EXPECT_EQ(data.Values[0].back(), TLogicalPacket(Line(expected - 1)).Values(0));
        }
    }
    // Empty lines are lines (bad ones); LF CR is a line end and then an empty line.
    const TLoadedData data = LoadDataFile(Write(Line(0) + "\n\n" + Line(1) + "\n\r"));
    EXPECT_EQ(data.GoodLines, 2u);
    ASSERT_EQ(data.BadLineCount, 2u);
    EXPECT_EQ(data.BadLines[0].LineNumber, 2u);
    EXPECT_EQ(data.BadLines[1].LineNumber, 4u);
}

TEST_F(DataFileLoader, RefusesBinaryContentAndOverlongLines) {
    std::string binary = Lines(40);
    binary[1233] = '\0';
    EXPECT_EQ(ErrorOf<ENotADataFile>(Write(binary)),
              Dir.File("data.orv") +
                  " is not a data file of instrument lines (binary content at byte 1234)");
    TLoadOptions smallBlocks;
    smallBlocks.BlockSize = 100;
    EXPECT_EQ(ErrorOf<ENotADataFile>(Write(binary), smallBlocks),
              Dir.File("data.orv") +
                  " is not a data file of instrument lines (binary content at byte 1234)");

    const std::string longLine(4097, '7');
    const std::string overlong = " is not a data file of instrument lines "
                                 "(a line longer than 4096 characters at line 17)";
    for (const char* end : {"\r\n", ""}) {
        EXPECT_EQ(ErrorOf<ENotADataFile>(Write(Lines(16) + longLine + end + Lines(2))),
                  Dir.File("data.orv") + overlong);
        EXPECT_EQ(ErrorOf<ENotADataFile>(Write(Lines(16) + longLine + end), smallBlocks),
                  Dir.File("data.orv") + overlong);
    }
    // 4096 characters is still a line, a bad one.
    EXPECT_EQ(LoadDataFile(Write(Lines(2) + longLine.substr(1))).BadLineCount, 1u);
}

TEST_F(DataFileLoader, ReportsWhyAFileCannotBeRead) {
    const std::string missing = Dir.File("missing.orv");
    EXPECT_EQ(ErrorOf<EInOutError>(missing),
              "Cannot open file " + missing + ": No such file or directory");
    EXPECT_EQ(ErrorOf<EInOutError>(Dir.Path().string()),
              "Cannot open file " + Dir.Path().string() + ": Is a directory");
    const std::string fifo = Dir.File("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(ErrorOf<ENotADataFile>(fifo),
              fifo + " is not a data file of instrument lines (not a regular file)");
}

TEST_F(DataFileLoader, ProgressRisesToOneInAboutAHundredSteps) {
    std::vector<double> fractions;
    TLoadOptions options;
    options.BlockSize = 4096;
    options.Progress = [&](double fraction) { fractions.push_back(fraction); };
    const TLoadedData data = LoadDataFile(Write(Lines(20000)), options);
    EXPECT_EQ(data.GoodLines, 20000u);
    ASSERT_GE(fractions.size(), 50u);
    EXPECT_LE(fractions.size(), 102u);
    EXPECT_EQ(fractions.front(), 0.0);
    EXPECT_EQ(fractions.back(), 1.0);
    EXPECT_TRUE(std::is_sorted(fractions.begin(), fractions.end()));
    EXPECT_EQ(std::adjacent_find(fractions.begin(), fractions.end()), fractions.end());
}

TEST_F(DataFileLoader, CancelAbandonsTheLoad) {
    const std::string path = Write(Lines(30000));
    std::atomic<bool> cancel{false};
    std::vector<double> fractions;
    TLoadOptions options;
    options.Cancel = &cancel;
    options.Progress = [&](double fraction) {
        fractions.push_back(fraction);
        if (fraction > 0.3) cancel = true;
    };
    const TLoadedData data = LoadDataFile(path, options);
    EXPECT_TRUE(data.Cancelled);
    EXPECT_TRUE(data.Times.empty());
    EXPECT_EQ(data.GoodLines, 0u);
    EXPECT_LT(fractions.back(), 0.6);
}

TEST_F(DataFileLoader, LinesShorterThanAnArchiveLineOutgrowTheReservedColumns) {
    std::string content;
    for (int i = 0; i < 5000; ++i) content += "2024 1 5 0 0 " + std::to_string(i % 60) + " " +
                                              std::to_string(i) + " 0 0 0 0\n";
    const TLoadedData data = LoadDataFile(Write(content));
    ASSERT_EQ(data.GoodLines, 5000u);
    for (const auto& column : data.Values) EXPECT_EQ(column.size(), 5000u);
    EXPECT_EQ(data.Values[0][4999], 4999.0);
}
