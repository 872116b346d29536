// The collector's command line on the built program, and the Network settings of a station.

#include "acquisition/ProfileFile.h"
#include "settings/StationSettings.h"
#include "SimProcess.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

const std::string CollectorProgram = ORVANT_BIN_DIR "/tools/orvant3k-collector";

int RunCollector(const std::vector<std::string>& arguments, std::string* output = nullptr) {
    TSimProcess collector(CollectorProgram, arguments);
    const int code = collector.Wait();
    if (output) *output = collector.Output() + collector.ErrorOutput();
    return code;
}

}  // namespace

TEST(CollectorProgram, AnswersHelpAndVersionAndNamesUsageErrorsAndFailures) {
    TTempDir directory(true);
    std::string output;
    EXPECT_EQ(RunCollector({"--help"}, &output), 0);
    EXPECT_NE(output.find("--stations <PATTERN>"), std::string::npos) << output;
    EXPECT_EQ(RunCollector({"--version"}, &output), 0);
    EXPECT_NE(output.find("orvant3k-collector "), std::string::npos);
    const std::pair<std::vector<std::string>, std::string> usage[] = {
        {{}, "--broker HOST[:PORT] is required"},
        {{"--broker", "127.0.0.1:99999"}, "not HOST[:PORT]"},
        {{"--broker", "host", "--password-file", "p"}, "--password-file needs --username"},
        {{"--broker", "host", "--prefix", "a/#"}, "not a topic prefix"},
        {{"--broker", "host", "--bogus"}, "Unknown option"},
        {{"--broker", "host", "--session-expiry", "-1"}, "--session-expiry: not a number of seconds"},
        {{"--broker", "host", "--max-stations", "0"}, "--max-stations: not a number of stations"},
    };
    for (const auto& [arguments, message] : usage) {
        EXPECT_EQ(RunCollector(arguments, &output), 2) << message;
        EXPECT_NE(output.find(message), std::string::npos) << output;
    }
    WriteWholeFile("password", "x\n");
    ::chmod("password", 0644);
    EXPECT_EQ(RunCollector({"--broker", "127.0.0.1", "--username", "u", "--password-file", "password"}, &output), 1);
    EXPECT_NE(output.find("may be read by other users; refused"), std::string::npos) << output;
}

TEST(NetworkSettings, AreReadWithDefaultsAndWrittenBack) {
    TTempDir directory(true);
    TProfileFile file("station.ini");
    TStationSettings settings;
    LoadStationSettings(settings, file);
    EXPECT_FALSE(settings.Network.Enabled());
    EXPECT_EQ(settings.Network.TopicPrefix, "orvant3k/v1");
    EXPECT_EQ(settings.Network.EffectivePort(), 1883);
    settings.IntermagnetHeader.IDC = "ABC";
    EXPECT_EQ(NetworkStationId(settings), "ABC");

    settings.Network = {"broker.example", 0, true, "/etc/ca.crt", "ABC", "/etc/pw", "", "net/v1", 0, ""};
    EXPECT_EQ(settings.Network.EffectivePort(), 8883);
    SaveStationSettings(settings, file);
    EXPECT_EQ(ReadWholeFile("station.ini").find("\nPort="), std::string::npos);  // unset stays unset
    settings.Network.Port = 9000;
    settings.Network.StationId = "north";
    SaveStationSettings(settings, file);
    TStationSettings loaded;
    LoadStationSettings(loaded, TProfileFile("station.ini"));
    EXPECT_EQ(loaded.Network, settings.Network);
    EXPECT_EQ(NetworkStationId(loaded), "north");
}
