// The package's maintainer scripts run for real against a throw-away root (DPKG_ROOT), with
// Debian's own deb-systemd-helper and systemctl: what a first install, an operator's choice and
// an upgrade leave enabled.

#include "SimProcess.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

namespace fs = std::filesystem;

const fs::path Packaging = ORVANT_SOURCE_DIR "/packaging";
const char* const Units[] = {"orvant3k-recorder.service", "orvant3k-collector.service"};

class MaintainerScripts : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::system("command -v deb-systemd-helper systemctl systemd-sysusers >/dev/null") != 0)
            GTEST_SKIP() << "deb-systemd-helper, systemctl or systemd-sysusers is missing";
        fs::create_directories(Root / "lib/systemd/system");
        fs::create_directories(Root / "usr/lib/sysusers.d");
        fs::create_directories(Root / "etc");
        for (const char* unit : Units) fs::copy_file(Packaging / unit, Root / "lib/systemd/system" / unit);
        fs::copy_file(Packaging / "orvant3k.sysusers", Root / "usr/lib/sysusers.d/orvant3k.conf");
        for (const char* file : {"/etc/passwd", "/etc/group"}) fs::copy_file(file, Root / fs::path(file).relative_path());
        // As dpkg runs them: deb-systemd-helper refuses to act for anything else.
        ::setenv("DPKG_ROOT", Root.c_str(), 1);
        ::setenv("DPKG_MAINTSCRIPT_PACKAGE", "orvant3k", 1);
    }
    void TearDown() override {
        ::unsetenv("DPKG_ROOT");
        ::unsetenv("DPKG_MAINTSCRIPT_PACKAGE");
    }

    int Run(const std::string& script, const std::vector<std::string>& arguments) {
        std::vector<std::string> all{(Packaging / "debian" / script).string()};
        all.insert(all.end(), arguments.begin(), arguments.end());
        TSimProcess process("/bin/sh", all);
        const int code = process.Wait();
        EXPECT_EQ(code, 0) << script << ": " << process.ErrorOutput();
        return code;
    }
    bool Enabled(const char* unit) const {
        return fs::is_symlink(Root / "etc/systemd/system/multi-user.target.wants" / unit);
    }

    TTempDir Directory;
    fs::path Root = Directory.Path() / "root";
};

}  // namespace

TEST_F(MaintainerScripts, AFirstInstallEnablesNothingAndAnUpgradeKeepsTheOperatorsChoice) {
    Run("postinst", {"configure"});
    for (const char* unit : Units) EXPECT_FALSE(Enabled(unit)) << unit;
    EXPECT_NE(ReadWholeFile(Root / "etc/passwd").find("orvant3k:"), std::string::npos);

    // The operator enables the recorder, as the guide says; the collector stays off.
    TSimProcess enable("/bin/systemctl", {"--root=" + Root.string(), "enable", Units[0]});
    ASSERT_EQ(enable.Wait(), 0) << enable.ErrorOutput();
    Run("postinst", {"configure", "0.9"});
    EXPECT_TRUE(Enabled(Units[0]));
    EXPECT_FALSE(Enabled(Units[1]));

    // Removed (the units are masked) and installed again: still the operator's choice.
    Run("prerm", {"remove"});
    Run("postrm", {"remove"});
    EXPECT_TRUE(fs::is_symlink(Root / "etc/systemd/system" / Units[0]));  // masked
    Run("postinst", {"configure", "0.9"});
    EXPECT_FALSE(fs::exists(Root / "etc/systemd/system" / Units[0]));
    EXPECT_TRUE(Enabled(Units[0]));
    EXPECT_FALSE(Enabled(Units[1]));
}
