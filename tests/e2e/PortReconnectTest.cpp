// The headless recorder when its instrument goes away and comes back under the same device
// name: the simulator is stopped and a new one started on the same link, while the recorder
// keeps its run.

#include "instrument/LineSource.h"
#include "instrument/StampTime.h"
#include "RecorderProcess.h"
#include "TempDir.h"

#include <gtest/gtest.h>

namespace {

// The simulator's lines from `first` on, as the archive holds them, for as many as `text` has
// from `at`; the number of lines that match.
std::size_t MatchingLines(const TLineSource& source, std::uint64_t first, const std::string& text,
                          std::size_t at) {
    std::size_t count = 0;
    for (;;) {
        const std::string expected = source.Text(first + count) + "\r\n";
        if (text.compare(at + count * expected.size(), expected.size(), expected) != 0) return count;
        ++count;
    }
}

// Which line of `source` (within the first `limit`) `line` is; -1 when none.
long long IndexOf(const TLineSource& source, const std::string& line, long long limit) {
    for (long long i = 0; i < limit; ++i)
        if (source.Text(static_cast<std::uint64_t>(i)) == line) return i;
    return -1;
}

}  // namespace

TEST(PortReconnect, RecorderResumesOnANewInstrumentUnderTheSameNameAndLosesNoLineItReceived) {
    TTempDir directory(true);
    WriteWholeFile("station.ini", "[Intermagnet]\r\nIDC=TST\r\n");
    const std::string link = directory.File("ttyInstrument");
    const TDateTime firstStart = EncodeDateTime(2024, 3, 10, 12, 0, 0);
    const TDateTime secondStart = EncodeDateTime(2024, 3, 10, 13, 0, 0);
    auto simulator = [&link](const char* start) {
        return std::make_unique<TSimProcess>(
            ORVANT_SIMULATOR_PROGRAM,
            std::vector<std::string>{"--link", link, "--rate", "50", "--start", start});
    };
    auto first = simulator("2024-03-10 12:00:00");
    ASSERT_FALSE(first->DevicePath().empty());
    auto recorder = StartRecorder(link, "station.ini");
    ASSERT_TRUE(recorder);
    const auto archiveSize = [] { return ConcatenatedFiles(FilesUnder("ARCHIVE")).size(); };
    ASSERT_TRUE(WaitUntil([&] { return archiveSize() > 50 * 63; }, std::chrono::seconds(20)));

    // Unplugged: the link goes with the simulator, so the reopens fail for a while.
    EXPECT_EQ(first->Stop(), 0);
    ASSERT_TRUE(WaitUntil([&] { return CountOf(recorder->ErrorOutput(), "port error") >= 2; },
                          std::chrono::seconds(10)))
        << recorder->ErrorOutput();
    std::this_thread::sleep_for(std::chrono::seconds(5));  // two more attempts, not logged
    const std::size_t beforeReturn = archiveSize();

    auto second = simulator("2024-03-10 13:00:00");
    ASSERT_FALSE(second->DevicePath().empty());
    ASSERT_TRUE(WaitUntil([&] { return archiveSize() > beforeReturn + 50 * 63; },
                          std::chrono::seconds(20)))
        << recorder->ErrorOutput();
    EXPECT_EQ(recorder->Stop(), 0);
    EXPECT_EQ(second->Stop(), 0);

    const std::string log = recorder->ErrorOutput();
    EXPECT_EQ(CountOf(log, "port error: Error reading COM port - " + link + ": Input/output error"), 1)
        << log;
    EXPECT_EQ(CountOf(log, "port error: Error opening COM1 port. - " + link +
                               ": No such file or directory"),
              1)
        << log;
    EXPECT_EQ(CountOf(log, "port error"), 2) << log;
    EXPECT_EQ(CountOf(log, "port recovered: COM1 open, reading " + link), 1) << log;

    // One file: a stretch of the first simulator's lines without a gap, then one of the
    // second's; every line the recorder counted is there, none torn.
    const auto archives = FilesUnder("ARCHIVE");
    ASSERT_EQ(archives.size(), 1u);
    const std::string archive = ReadWholeFile(archives[0]);
    const TLineSource one(StampOf(firstStart), TLineRate(50, 1), TLineEnd::CrLf, 0);
    const TLineSource two(StampOf(secondStart), TLineRate(50, 1), TLineEnd::CrLf, 0);
    const long long firstIndex = IndexOf(one, archive.substr(0, 61), 5000);
    ASSERT_GE(firstIndex, 0) << archive.substr(0, 61);
    const std::size_t fromFirst = MatchingLines(one, firstIndex, archive, 0);
    const std::size_t at = fromFirst * 63;
    const long long secondIndex = IndexOf(two, archive.substr(at, 61), 5000);
    ASSERT_GE(secondIndex, 0) << archive.substr(at, 61);
    const std::size_t fromSecond = MatchingLines(two, secondIndex, archive, at);
    EXPECT_EQ((fromFirst + fromSecond) * 63, archive.size());
    EXPECT_GE(fromFirst, 50u);
    EXPECT_GE(fromSecond, 50u);
    EXPECT_NE(log.find("stopped: " + std::to_string(fromFirst + fromSecond) + " samples recorded"),
              std::string::npos)
        << log;
}
