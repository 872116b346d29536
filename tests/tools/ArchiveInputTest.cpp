// The converter's input: finding archive files, reading their lines whatever a crash left, and
// merging several files into one stream in time order.
#include "recording/ArchiveFiles.h"
#include "recording/ArchiveLineReader.h"
#include "recording/ArchiveLineSource.h"
#include "convert/ConvertCommandLine.h"
#include "convert/ProgressBar.h"

#include "TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

// An instrument line at the given day of January 2024 and second of that day.
std::string Line(int day, int secondOfDay, double bx = 21000.0) {
    char text[80];
    std::snprintf(text, sizeof text, "2024 01 %02d %02d %02d %02d %9.2f %9.2f %9.2f %5.1f %5.1f",
                  day, secondOfDay / 3600, secondOfDay / 60 % 60, secondOfDay % 60, bx, -1200.0,
                  45000.0, 21.5, 20.2);
    return text;
}

std::vector<std::string> Lines(const std::string& path) {
    TArchiveLineReader reader(path);
    std::vector<std::string> lines;
    std::string_view line;
    while (reader.NextLine(line)) lines.emplace_back(line);
    return lines;
}

// Every line's first two tokens after the date: "hh mm ss" of each sample, in stream order.
std::vector<std::string> Times(TArchiveLineSource& source) {
    std::vector<std::string> times;
    TArchiveSample sample;
    while (source.Next(sample)) times.emplace_back(sample.Line.substr(11, 8));
    return times;
}

TEST(ArchiveLineReaderTest, TakesEveryLineEndAndWhatACrashLeaves) {
    TTempDir dir;
    const std::string path = dir.File("20240105000000.orv");
    WriteWholeFile(path, "a\r\nb\rc\n\r\nd\n\ne" + std::string(3, '\0'));
    EXPECT_THAT(Lines(path), ElementsAre("a", "b", "c", "d", std::string("e\0\0\0", 4)));

    TArchiveLineReader numbers(path);
    std::string_view line;
    std::vector<std::uint64_t> lineNumbers;
    while (numbers.NextLine(line)) lineNumbers.push_back(numbers.LineNumber());
    EXPECT_THAT(lineNumbers, ElementsAre(1, 2, 3, 5, 7));  // empty lines count, are not returned
    EXPECT_EQ(numbers.Position(), 16u);

    // A line longer than a block is cut into pieces, and the lines after it are intact.
    const std::string longLine(TArchiveLineReader::BlockSize + 10, 'x');
    WriteWholeFile(path, longLine + "\r\n" + Line(5, 0) + "\r\n");
    const auto pieces = Lines(path);
    ASSERT_EQ(pieces.size(), 3u);
    EXPECT_EQ(pieces[0].size() + pieces[1].size(), longLine.size());
    EXPECT_EQ(pieces[2], Line(5, 0));

    EXPECT_THROW(TArchiveLineReader(dir.File("missing.orv")), EInOutError);
}

TEST(ArchiveFilesTest, FindsArchiveFilesInFoldersInTimeOrder) {
    TTempDir dir;
    std::filesystem::create_directories(dir.Path() / "ARCHIVE/2024/01");
    std::filesystem::create_directories(dir.Path() / "INTERMAGNET/2024/01");
    WriteWholeFile(dir.Path() / "ARCHIVE/2024/01/20240106000000.orv", "x\r\n");
    WriteWholeFile(dir.Path() / "ARCHIVE/2024/01/20240105120000_0.orv", "yy\r\n");
    WriteWholeFile(dir.Path() / "ARCHIVE/2024/01/20240105120000.orv", "z\r\n");
    WriteWholeFile(dir.Path() / "ARCHIVE/2024/01/notes.txt", "not an archive");
    WriteWholeFile(dir.Path() / "ARCHIVE/2024/01/20241305120000.orv", "month 13");
    WriteWholeFile(dir.Path() / "INTERMAGNET/2024/01/Jan0524.ABC", "derived");
    WriteWholeFile(dir.File("renamed.txt"), "named by hand");

    const auto found = FindArchiveFiles(
        {dir.File("ARCHIVE"), dir.File("ARCHIVE/2024"), dir.File("renamed.txt"),
         dir.File("missing")});
    std::vector<std::string> names;
    for (const auto& file : found.Files)
        names.push_back(std::filesystem::path(file.Path).filename().string());
    // Named by hand: taken first (no stamp); a folder given twice: its files once.
    EXPECT_THAT(names, ElementsAre("renamed.txt", "20240105120000.orv", "20240105120000_0.orv",
                                   "20240106000000.orv"));
    EXPECT_EQ(found.TotalBytes, 13u + 3 + 4 + 3);
    ASSERT_EQ(found.Errors.size(), 1u);
    EXPECT_THAT(found.Errors[0], HasSubstr("missing: No such file or directory"));

    const auto sixth = FindArchiveFiles({dir.File("ARCHIVE")}, EncodeDate(2024, 1, 6),
                                        EncodeDate(2024, 1, 6));
    ASSERT_EQ(sixth.Files.size(), 1u);
    EXPECT_THAT(sixth.Files[0].Path, HasSubstr("20240106000000.orv"));

    // Across the year's end.
    std::filesystem::create_directories(dir.Path() / "years");
    WriteWholeFile(dir.Path() / "years/20231231000000.orv", "old\r\n");
    WriteWholeFile(dir.Path() / "years/20240101000000.orv", "new\r\n");
    const auto oldYear = FindArchiveFiles({dir.File("years")}, 0, EncodeDate(2023, 12, 31));
    const auto newYear = FindArchiveFiles({dir.File("years")}, EncodeDate(2024, 1, 1), 0);
    ASSERT_EQ(oldYear.Files.size(), 1u);
    ASSERT_EQ(newYear.Files.size(), 1u);
    EXPECT_THAT(oldYear.Files[0].Path, HasSubstr("20231231000000.orv"));
    EXPECT_THAT(newYear.Files[0].Path, HasSubstr("20240101000000.orv"));
}

TEST(ArchiveLineSourceTest, MergesRunsByStampAndReportsRefusedLines) {
    TTempDir dir;
    // Run one: 5 Jan 23:59:58 to 6 Jan 00:00:03 over a day change, one bad line inside.
    WriteWholeFile(dir.File("20240105235958.orv"),
                   Line(5, 86398) + "\r\n" + Line(5, 86399) + "\r\n");
    WriteWholeFile(dir.File("20240106000000.orv"), Line(6, 0) + "\r\n" + "garbage\r\n" +
                                                       Line(6, 2) + "\r\n" + Line(6, 3) + "\r\n");
    // Run two, a second recorder started at 00:00:01 on the 6th: merged line by line; its
    // 00:00:03 repeats a stamp already given and is left out, as is a second line of 00:00:03.
    WriteWholeFile(dir.File("20240106000001.orv"),
                   Line(6, 1) + "\r\n" + Line(6, 3, 1.0) + "\r\n" + Line(6, 3, 2.0) + "\r\n");

    TArchiveLineSource source(FindArchiveFiles({dir.Path().string()}).Files);
    TArchiveSample sample;
    std::vector<std::string> times;
    while (source.Next(sample)) times.emplace_back(sample.Line.substr(11, 8));
    EXPECT_THAT(times, ElementsAre("23 59 58", "23 59 59", "00 00 00", "00 00 01", "00 00 02",
                                   "00 00 03"));
    EXPECT_EQ(sample.Values[0], 21000.0);  // the earlier file's line of equal stamps
    EXPECT_EQ(source.LinesRepeated(), 2u);
    EXPECT_EQ(source.LinesRead(), 9u);
    EXPECT_EQ(source.LinesRefused(), 1u);
    ASSERT_EQ(source.FirstRefusedLines().size(), 1u);
    EXPECT_THAT(source.FirstRefusedLines()[0].Path, HasSubstr("20240106000000.orv"));
    EXPECT_EQ(source.FirstRefusedLines()[0].LineNumber, 2u);
    EXPECT_EQ(source.FirstRefusedLines()[0].Text, "garbage");
    EXPECT_EQ(source.BytesDone(), 8u * 63 + 9);
    EXPECT_TRUE(source.Failures().empty());

    // Days outside the range are skipped, not refused; a reach beyond the bounds is read.
    TArchiveLineSource sixth(FindArchiveFiles({dir.Path().string()}).Files,
                             EncodeDate(2024, 1, 6), EncodeDate(2024, 1, 6));
    EXPECT_EQ(Times(sixth).size(), 4u);
    EXPECT_EQ(sixth.LinesOutsideDays(), 2u);
    TArchiveLineSource reach(FindArchiveFiles({dir.Path().string()}).Files, 0,
                             EncodeDate(2024, 1, 5), 0, 2);
    EXPECT_THAT(Times(reach), ElementsAre("23 59 58", "23 59 59", "00 00 00", "00 00 01"));
    EXPECT_EQ(reach.LinesOutsideDays(), 4u);
    TArchiveLineSource before(FindArchiveFiles({dir.Path().string()}).Files,
                              EncodeDate(2024, 1, 6), 0, 1);
    EXPECT_EQ(Times(before).front(), "23 59 59");
}

TEST(ConvertCommandLineTest, RefusesWhatCannotBeUsed) {
    const auto command = ParseConvertCommandLine(
        {"--from", "2024-02-29", "--to", "2024-03-01", "--iaga-minutes", "--out", "o", "a", "b"});
    EXPECT_EQ(command.FromDay, EncodeDate(2024, 2, 29));
    EXPECT_EQ(command.ToDay, EncodeDate(2024, 3, 1));
    EXPECT_TRUE(command.Products.IagaMinutes && !command.Products.Intermagnet);
    EXPECT_EQ(command.OutputFolder, "o");
    EXPECT_THAT(command.Paths, ElementsAre("a", "b"));

    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{}, {"--from", "2023-02-29", "a"}, {"--to", "2024-1-5", "a"},
          {"--from", "2024-03-02", "--to", "2024-03-01", "a"}, {"--bogus", "a"},
          {"--out", "x", "--out", "y", "a"}})
        EXPECT_THROW(ParseConvertCommandLine(bad), EUsageError) << ::testing::PrintToString(bad);
}

TEST(ProgressBarTest, ShowsShareRateAndTimeLeftOnlyOnATerminal) {
    EXPECT_EQ(TProgressBar::Text(250, 1000, 3000000, 2.0),
              "[#######-----------------------]  25.0%  1,500,000 lines/s  0:06 left");

    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* stream = open_memstream(&buffer, &size);
    const auto start = TProgressBar::TClock::now();
    TProgressBar quiet(stream, 100, false);
    quiet.Update(50, 10, start + std::chrono::seconds(1));
    TProgressBar bar(stream, 100, true);
    bar.Update(10, 1, start + std::chrono::seconds(1));
    bar.Update(20, 2, start + std::chrono::milliseconds(1050));  // within a tenth: not drawn
    bar.Clear();
    std::fclose(stream);
    const std::string written(buffer, size);
    std::free(buffer);
    EXPECT_EQ(std::count(written.begin(), written.end(), '\r'), 2);
    EXPECT_THAT(written, HasSubstr(" 10.0%"));
}

}  // namespace
