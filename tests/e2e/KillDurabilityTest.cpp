// The recorder killed outright (SIGKILL: no stop sequence, no chance to flush anything) while
// lines pour in: whatever reached the archive is the lines sent, from the first one on.

#include "instrument/InstrumentLine.h"
#include "PseudoTerminal.h"
#include "RecorderProcess.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <poll.h>
#include <random>
#include <unistd.h>

namespace {

std::string Line(int day, int index) {
    const double x = index;
    return FormatInstrumentLine(EncodeDateTime(2024, 5, day, 0, 0, 0) + index / SecondsPerDay,
                                {21000 + x / 100, -1200, 45000, 20.5, 19.5}) +
           "\r\n";
}

// Writes lines as fast as the terminal takes them until told to stop; never blocks for long,
// so it ends also when nobody reads any more.
class TLinePump {
public:
    TLinePump(TPseudoTerminal& terminal, int day) : FThread([this, &terminal, day] {
          for (int index = 0; index < 86400 && !FStop; ++index) {
              std::string_view bytes = (FLine = Line(day, index));
              while (!bytes.empty() && !FStop) {
                  pollfd ready{terminal.MasterHandle(), POLLOUT, 0};
                  if (::poll(&ready, 1, 20) <= 0) continue;
                  const ssize_t written = ::write(terminal.MasterHandle(), bytes.data(), bytes.size());
                  if (written > 0) bytes.remove_prefix(static_cast<std::size_t>(written));
              }
          }
      }) {}
    ~TLinePump() {
        FStop = true;
        FThread.join();
    }

private:
    std::atomic<bool> FStop{false};
    std::string FLine;
    std::thread FThread;
};

}  // namespace

TEST(KillDurability, EveryArchiveFileHoldsWholeLinesFromTheFirstOnWhenTheRecorderIsKilled) {
    TTempDir directory(true);
    WriteWholeFile("station.ini",
                   "[Intermagnet]\r\nIDC=TST\r\nCOMP=XYZF\r\nGIN=EDI\r\nCOLA=0402\r\nLONG=0245\r\nDECBAS=0\r\n"
                   "[Filter]\r\nC0=1\r\n");
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    for (int day = 1; day <= 3; ++day) {
        SCOPED_TRACE("seed " + std::to_string(seed) + ", run " + std::to_string(day));
        TPseudoTerminal terminal;
        auto recorder = StartRecorder(terminal.SlavePath(), "station.ini");
        ASSERT_TRUE(recorder);
        {
            TLinePump pump(terminal, day);
            std::this_thread::sleep_for(
                std::chrono::milliseconds(std::uniform_int_distribution<int>(50, 700)(random)));
            recorder->Signal(SIGKILL);
            EXPECT_EQ(recorder->Wait(), 128 + SIGKILL);
        }
        // This run's file (none if the kill came before its first line).
        const std::string name = "ARCHIVE/2024/05/202405" + std::string(day < 10 ? "0" : "") +
                                 std::to_string(day) + "000000.orv";
        const std::string archive = ReadWholeFile(name);
        // Each line goes out in one write(2), but the kernel ends a write to a file early at a
        // page boundary when the writer is killed: a part line is allowed only there.
        if (archive.size() % 63 != 0) {
            EXPECT_EQ(archive.size() % 4096, 0u) << name;
        }
        std::string expected;
        for (int index = 0; expected.size() < archive.size(); ++index) expected += Line(day, index);
        expected.resize(archive.size());
        EXPECT_TRUE(archive == expected) << name << ": " << archive.size() / 63 << " lines";
    }
}
