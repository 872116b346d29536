// The guide's check of the service with the simulator, on the built programs: the simulator's
// service link is outside /tmp and its pseudo-terminal belongs to the group dialout, so that a
// recorder running as another user in that group (as the service's user is) records from it.

#include "RecorderProcess.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// A folder outside /tmp, as the service needs, removed with everything in it afterwards.
struct TServiceFolder {
    fs::path Path = fs::path(ORVANT_BIN_DIR) / ("service-check-" + std::to_string(::getpid()));
    TServiceFolder() {
        fs::create_directories(Path / "data");
        fs::permissions(Path / "data", fs::perms::all);
    }
    ~TServiceFolder() {
        std::error_code ignored;
        fs::remove_all(Path, ignored);
    }
};

}  // namespace

TEST(ServiceSimulator, AServiceLinkIsReadByAnotherUserOfTheGroupDialout) {
    const struct group* dialout = ::getgrnam("dialout");
    if (::geteuid() != 0 || !dialout || ::access("/usr/bin/setpriv", X_OK) != 0)
        GTEST_SKIP() << "needs root, the group dialout and setpriv";
    TServiceFolder folder;
    const std::string link = (folder.Path / "run/instrument").string();
    TSimProcess simulator(ORVANT_SIMULATOR_PROGRAM, {"--service-link", link, "--rate", "10"});
    const std::string device = simulator.DevicePath();
    ASSERT_FALSE(device.empty()) << simulator.ErrorOutput();
    struct stat info {};
    ASSERT_EQ(::stat(link.c_str(), &info), 0);
    EXPECT_EQ(info.st_gid, dialout->gr_gid);
    EXPECT_EQ(info.st_mode & 0777, 0660u);

    const std::string settings = (folder.Path / "station.ini").string();
    WriteWholeFile(settings, "[Options]\nAutoCreateIntermagnet=0\n[SerialDevices]\nCOM1=" + link + "\n");
    // The service's user: not the simulator's owner, a member of dialout.
    TSimProcess recorder("/usr/bin/setpriv",
                         {"--reuid=65534", "--regid=65534",
                          "--groups=" + std::to_string(dialout->gr_gid), StationProgram,
                          "--headless", "--settings", settings, "--data",
                          (folder.Path / "data").string()});
    const auto archived = [&folder] {
        return !FilesUnder(folder.Path / "data/ARCHIVE").empty() &&
               ConcatenatedFiles(FilesUnder(folder.Path / "data/ARCHIVE")).size() >= 3 * 63;
    };
    EXPECT_TRUE(WaitUntil(archived, std::chrono::seconds(20))) << recorder.ErrorOutput();
    EXPECT_EQ(recorder.Stop(), 0) << recorder.ErrorOutput();
    EXPECT_EQ(simulator.Stop(), 0);

    TSimProcess refused(ORVANT_SIMULATOR_PROGRAM, {"--service-link", "/tmp/instrument"});
    EXPECT_EQ(refused.Wait(), 2);
    EXPECT_NE(refused.ErrorOutput().find("the service does not see /tmp/ (PrivateTmp)"),
              std::string::npos)
        << refused.ErrorOutput();
}
