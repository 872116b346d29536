#include "acquisition/ProfileFile.h"
#include "acquisition/RuntimeErrors.h"
#include "settings/SerialDeviceSettings.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsLocation.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Sets an environment variable for one test and puts the old value back.
class TScopedEnvironment {
public:
    TScopedEnvironment(const char* name, const char* value) : FName(name) {
        if (const char* old = std::getenv(name)) {
            FOld = old;
            FHadOld = true;
        }
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~TScopedEnvironment() {
        if (FHadOld)
            ::setenv(FName.c_str(), FOld.c_str(), 1);
        else
            ::unsetenv(FName.c_str());
    }

private:
    std::string FName;
    std::string FOld;
    bool FHadOld = false;
};

}  // namespace

TEST(SettingsLocation, BesideTheProgramWhenItsFolderIsWritable) {
    TTempDir dir;
    EXPECT_EQ(DefaultSettingsFileName(dir.File("orvant3k")), dir.File("orvant3k.ini"));
    EXPECT_EQ(DefaultSettingsFileName(dir.File("station.exe")), dir.File("station.ini"));
    EXPECT_EQ(ExecutablePath(), fs::canonical("/proc/self/exe").string());
}

TEST(SettingsLocation, ElseInTheUsersConfigFolderWhichIsCreated) {
    TTempDir dir;
    {
        TScopedEnvironment xdg("XDG_CONFIG_HOME", dir.File("config").c_str());
        EXPECT_EQ(DefaultSettingsFileName(dir.File("missing/orvant3k")),
                  dir.File("config/orvant3k/orvant3k.ini"));
        EXPECT_TRUE(fs::is_directory(dir.File("config/orvant3k")));
    }
    {
        TScopedEnvironment xdg("XDG_CONFIG_HOME", "relative/ignored");
        TScopedEnvironment home("HOME", dir.File("home").c_str());
        EXPECT_EQ(DefaultSettingsFileName(""), dir.File("home/.config/orvant3k/orvant3k.ini"));
        EXPECT_TRUE(fs::is_directory(dir.File("home/.config/orvant3k")));
    }
    // A program folder the user may not write to; root writes anywhere, so an unprivileged
    // child process asks.
    fs::create_directory(dir.File("bin"));
    fs::create_directory(dir.File("xdg"));
    fs::permissions(dir.Path(), fs::perms(0755));
    fs::permissions(dir.File("bin"), fs::perms(0555));
    fs::permissions(dir.File("xdg"), fs::perms(0777));
    const std::string program = dir.File("bin/orvant3k");
    const std::string expected = dir.File("xdg/orvant3k/orvant3k.ini");
    EXPECT_EXIT(
        {
            if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) std::exit(2);
            ::setenv("XDG_CONFIG_HOME", fs::path(expected).parent_path().parent_path().c_str(), 1);
            std::exit(DefaultSettingsFileName(program) == expected ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(SerialDeviceSettings, MappingRoundTripAndOddKeysIgnored) {
    TTempDir dir;
    const std::string name = dir.File("station.ini");
    WriteWholeFile(name, "[serialdevices]\ncom2=/dev/ttyUSB1\nCOM3=\nCOM07=/dev/x\nCOMX=/dev/y\n"
                         "Other=/dev/z\nCOM12=/dev/ttyACM0\n");
    TProfileFile file(name);
    EXPECT_EQ(LoadSerialDevices(file),
              (TSerialDeviceMap{{2, "/dev/ttyUSB1"}, {12, "/dev/ttyACM0"}}));

    SaveSerialDevice(file, 1, "/dev/ttyUSB0");
    SaveSerialDevice(file, 2, "");  // back to the platform default
    EXPECT_EQ(LoadSerialDevices(TProfileFile(name)),
              (TSerialDeviceMap{{1, "/dev/ttyUSB0"}, {12, "/dev/ttyACM0"}}));
    EXPECT_FALSE(file.ValueExists(SettingsKeys::SerialDevices::Section, "COM2"));
    EXPECT_THROW(SaveSerialDevice(file, 0, "/dev/ttyS0"), ERangeError);
    EXPECT_THROW(SaveSerialDevice(file, 1, "/dev/a\n[Options]"), std::invalid_argument);
    EXPECT_TRUE(LoadSerialDevices(TProfileFile(dir.File("none.ini"))).empty());
}
