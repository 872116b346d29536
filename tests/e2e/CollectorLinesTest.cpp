// The collector at the edges a real network meets: started after its stations, a broker that
// restarts without persistence while stations send and then fall silent, a restart of its own
// while a station sends and is then switched off, a full disk, its
// output folder spelled another way, a station that numbers its lines anew, and batches that
// hold no archive lines. Whatever happens, its archive ends up as the station's, line for line,
// without another line being sent to push it.

#include "CollectorProcess.h"
#include "PublishingStation.h"

#include <csignal>
#include <sys/mount.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

bool Collects(const std::string& out, const TPublishingStation& station, const std::string& name) {
    return WaitUntil([&] { return CollectedArchive(out, name) == station.Archive(); }, 30s);
}

// A folder whose disk fills up: a small tmpfs as root, otherwise a file-size limit on the
// process writing into it (which then sees EFBIG where a full disk gives ENOSPC).
class TFillingDisk {
public:
    explicit TFillingDisk(const std::string& folder) : FFolder(folder) {
        std::filesystem::create_directories(folder);
        FMounted = ::getuid() == 0 && ::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=64k") == 0;
    }
    ~TFillingDisk() {
        if (FMounted) ::umount2(FFolder.c_str(), MNT_DETACH);
    }
    // Leaves room for a few lines only.
    void Fill(pid_t writer) {
        if (FMounted) {
            WriteWholeFile(FFolder + "/filler", std::string(60 * 1024 - 3000, 'x'));
        } else {
            SetFileSizeLimit(writer, "3000");
        }
    }
    void Free(pid_t writer) {
        if (FMounted) {
            std::filesystem::remove(FFolder + "/filler");
        } else {
            SetFileSizeLimit(writer, "unlimited");
        }
    }

private:
    static void SetFileSizeLimit(pid_t writer, const std::string& limit) {
        TSimProcess prlimit("/usr/bin/prlimit", {"--pid", std::to_string(writer), "--fsize=" + limit + ":"});
        EXPECT_EQ(prlimit.Wait(), 0) << prlimit.ErrorOutput();
    }
    std::string FFolder;
    bool FMounted = false;
};

}  // namespace

TEST(CollectorLines, NoLineIsLostOrSkippedAtTheEdgesOfTheNetwork) {
    TTempDir directory(true);
    TTestBroker broker(directory.Path() / "broker", false);
    auto station = std::make_unique<TPublishingStation>(broker, "TST", "TST");

    // Started after the station, which then sends nothing more: every line since its first.
    station->Record(300);
    auto collector = StartCollector(broker, "collected");
    ASSERT_TRUE(Collects("collected", *station, "TST")) << collector->ErrorOutput();
    EXPECT_NE(collector->ErrorOutput().find("TST: new station, recording from line 0 (the oldest line it still has)"),
              std::string::npos)
        << collector->ErrorOutput();

    // The broker (without persistence) dies while the station records, comes back, and the
    // station falls silent: whatever the broker dropped before the collector subscribed again
    // is asked for.
    broker.Kill();
    station->Record(200);
    broker.Start();
    ASSERT_TRUE(Collects("collected", *station, "TST")) << collector->ErrorOutput();

    // Stopped while the station records, which is then switched off: the broker kept the
    // collector's session and hands it the lines on its restart, with another spelling of the
    // output folder, where the position still holds.
    EXPECT_EQ(collector->Stop(), 0);
    station->Record(100);
    ASSERT_TRUE(WaitUntil([&] { return station->Unacknowledged() == 0; }, 10s));
    const std::string archive = station->Archive();
    station.reset();
    collector = StartCollector(broker, "./collected/");
    EXPECT_NE(collector->ErrorOutput().find("session resumed"), std::string::npos) << collector->ErrorOutput();
    ASSERT_TRUE(WaitUntil([&] { return CollectedArchive("collected", "TST") == archive; }, 30s))
        << collector->ErrorOutput();
    EXPECT_EQ(collector->ErrorOutput().find("new station"), std::string::npos) << collector->ErrorOutput();
    station = std::make_unique<TPublishingStation>(broker, "TST", "TST");

    // Batches a station's archive cannot hold, published in the station's name at the line the
    // collector expects next: refused without advancing, so the station's own line takes it.
    const std::string next = std::to_string(station->NextSeq());
    const std::string line = TPublishingStation::Line(0);
    for (const std::string& lines : {"\"" + line.substr(0, 30) + "\\r\\n" + line.substr(32) + "\"", std::string("\"not a line\"")})
        PublishAs(broker, "TST", TTestBroker::StationPassword("TST"), "orvant3k/v1/TST/lines",
                  "{\"seq\":" + next + ",\"lines\":[" + lines + "]}");
    EXPECT_TRUE(WaitUntil([&] { return CountOf(collector->ErrorOutput(), "is not an archive line") == 2; }, 10s))
        << collector->ErrorOutput();
    station->Record(50);
    ASSERT_TRUE(Collects("collected", *station, "TST")) << collector->ErrorOutput();

    // The station numbers anew from 0 (its position file lost): its archive goes on.
    station.reset();
    std::filesystem::remove("TST/ARCHIVE.position");
    station = std::make_unique<TPublishingStation>(broker, "TST", "TST");
    station->Record(80);
    ASSERT_TRUE(Collects("collected", *station, "TST")) << collector->ErrorOutput();
    EXPECT_EQ(CountOf(collector->ErrorOutput(), "TST: the station numbers its lines anew"), 1) << collector->ErrorOutput();

    // A full disk under a collector: the lines it could not write are asked for again once it
    // can, though the station sends nothing more.
    TFillingDisk disk("full");
    auto filling = StartCollector(broker, "full", {"--stations", "ABC"});
    TPublishingStation other(broker, "ABC", "ABC");
    other.Record(20);
    ASSERT_TRUE(Collects("full", other, "ABC")) << filling->ErrorOutput();
    disk.Fill(filling->Pid());
    other.Record(300);
    EXPECT_TRUE(WaitUntil([&] { return filling->ErrorOutput().find("ABC: archive: ") != std::string::npos; }, 15s))
        << filling->ErrorOutput();
    disk.Free(filling->Pid());
    EXPECT_TRUE(Collects("full", other, "ABC")) << filling->ErrorOutput();
    EXPECT_NE(filling->ErrorOutput().find("ABC: archive written again"), std::string::npos) << filling->ErrorOutput();
    EXPECT_EQ(filling->Stop(), 0);
    EXPECT_EQ(collector->Stop(), 0);
}
