// Station networks end to end: the simulator, the built headless station and the built
// collector on a real mosquitto (TLS, passwords, ACL). The station's archive is the truth; the
// collector's must hold the same lines in the same order, whatever is killed on the way, and
// its INTERMAGNET and IAGA-2002 files must be the station's own, byte for byte.

#include "CollectorProcess.h"
#include "PseudoTerminal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <sys/stat.h>

namespace {

using namespace std::chrono_literals;

std::string StationArchive() { return ConcatenatedFiles(FilesUnder("ARCHIVE")); }
std::string CollectedArchive(const std::string& station) { return ::CollectedArchive("collected", station); }
std::size_t Lines(const std::string& text) { return static_cast<std::size_t>(CountOf(text, "\n")); }

std::unique_ptr<TSimProcess> StartCollector(const TTestBroker& broker) {
    return ::StartCollector(broker, "collected", {"--stations", "T*"});
}

void WriteStationSettings(const std::string& network) {
    WriteWholeFile("station.ini", "[Intermagnet]\r\nIDC=TST\r\n[Filter]\r\nC0=1\r\n" + network);
}

// INTERMAGNET one-minute values, both IAGA-2002 and both ImagCDF products. A three-second filter: minute values
// are aligned by time, so the 91-second one would need a minute and a half of real time.
void WriteStationSettingsWithDerivedFiles(const std::string& network) {
    WriteWholeFile("station.ini",
                   "[Intermagnet]\r\nIDC=TST\r\nCOMP=XYZF\r\nGIN=EDI\r\nCOLA=0400\r\nLONG=0250\r\n"
                   "DECBAS=000000\r\n[IAGA2002]\r\nSecondFiles=1\r\nMinuteFiles=1\r\nStationName=Test\r\n"
                   "Latitude=50.0\r\nLongitude=10.0\r\nElevation=100\r\n"
                   "[ImagCDF]\r\nSecondFiles=1\r\nMinuteFiles=1\r\nInstitution=Test Institute\r\n"
                   "[Filter]\r\nC0=0.25\r\nC1=0.5\r\nC2=0.25\r\n" + network);
}

}  // namespace

TEST(StationNetwork, CollectorRecordsAsTheStationThroughBrokerCollectorAndStationKills) {
    TTempDir directory(true);
    TTestBroker broker(directory.Path() / "broker", true);
    {
        // Without the test authority the broker's certificate is not trusted, and the log says so.
        TSimProcess untrusting(CollectorProgram, {"--broker", "127.0.0.1:" + std::to_string(broker.Port()), "--tls",
                                                  "--out", "untrusting"});
        EXPECT_TRUE(WaitUntil([&] { return untrusting.ErrorOutput().find("the broker's certificate is not trusted") != std::string::npos; }, 15s))
            << untrusting.ErrorOutput();
        EXPECT_EQ(untrusting.Stop(), 0);
    }
    WriteStationSettingsWithDerivedFiles(
        NetworkSection(broker, "TST", broker.PasswordFile("station.password", TTestBroker::StationPassword("TST"))));
    const std::string link = directory.File("instrument");
    // Fifty lines a second stamped in real time: a minute mark and a midnight come early.
    auto simulator = std::make_unique<TSimProcess>(
        ORVANT_SIMULATOR_PROGRAM, std::vector<std::string>{"--link", link, "--rate", "50", "--start", "2024-03-01 23:59:59"});
    ASSERT_FALSE(simulator->DevicePath().empty());
    auto collector = StartCollector(broker);
    auto station = StartRecorder(link, "station.ini");
    ASSERT_TRUE(station);
    auto collected = [](std::size_t lines) {
        return WaitUntil([lines] { return Lines(CollectedArchive("TST")) >= lines; }, 30s);
    };
    ASSERT_TRUE(collected(50)) << station->ErrorOutput() << collector->ErrorOutput();

    // The broker dies in the middle of the stream and comes back on the same port.
    broker.Kill();
    std::this_thread::sleep_for(1500ms);
    broker.Start();
    ASSERT_TRUE(collected(Lines(StationArchive()) + 20)) << station->ErrorOutput() << collector->ErrorOutput();

    // Past the first minute value, the instrument pauses, the station stops and the collector
    // drains: the collector's derived files are the station's, through the broker's death.
    EXPECT_TRUE(WaitUntil([] { return std::filesystem::exists("INTERMAGNET/2024/03/Mar0224.TST"); }, 10s));
    simulator->Stop();
    EXPECT_TRUE(WaitUntil([] { return CollectedArchive("TST") == StationArchive(); }, 30s))
        << station->ErrorOutput() << collector->ErrorOutput();
    EXPECT_EQ(station->Stop(), 0);
    const std::string brokerDeathLog = station->ErrorOutput();
    EXPECT_EQ(collector->Stop(), 0);
    const auto derived = DerivedFilesUnder(".");
    std::string names;
    for (const auto& [name, content] : derived) names += name + " ";
    for (const char* product : {"INTERMAGNET/2024/03/Mar0224.TST", "IAGA2002/2024/03/tst20240301vsec.sec",
                                "IAGA2002/2024/03/tst20240302vsec.sec", "IAGA2002/2024/03/tst20240302vmin.min"})
        EXPECT_EQ(derived.count(product), 1u) << names << brokerDeathLog;
    EXPECT_TRUE(DerivedFilesUnder("collected/TST") == derived) << names << collector->ErrorOutput();

    // The instrument goes on; the collector and then the station start again.
    simulator = std::make_unique<TSimProcess>(
        ORVANT_SIMULATOR_PROGRAM, std::vector<std::string>{"--link", link, "--rate", "50", "--start", "2024-03-02 12:00:00"});
    ASSERT_FALSE(simulator->DevicePath().empty());
    collector = StartCollector(broker);
    station = StartRecorder(link, "station.ini");
    ASSERT_TRUE(station);
    ASSERT_TRUE(collected(Lines(StationArchive()) + 20)) << station->ErrorOutput() << collector->ErrorOutput();

    // The collector is killed outright and restarted: what it missed is asked for again.
    collector->Signal(SIGKILL);
    collector->Wait();
    std::this_thread::sleep_for(700ms);
    collector = StartCollector(broker);
    ASSERT_TRUE(collected(Lines(StationArchive()) + 20)) << collector->ErrorOutput();

    // The station is killed outright and restarted: it publishes what was not acknowledged.
    station->Signal(SIGKILL);
    station->Wait();
    std::this_thread::sleep_for(300ms);
    const std::string firstLog = station->ErrorOutput();
    station = StartRecorder(link, "station.ini");
    ASSERT_TRUE(station);
    ASSERT_TRUE(collected(Lines(StationArchive()) + 20));

    simulator->Stop();
    EXPECT_EQ(station->Stop(), 0);
    const std::string recorded = StationArchive();
    EXPECT_TRUE(WaitUntil([&] { return CollectedArchive("TST").size() >= recorded.size(); }, 30s))
        << firstLog << station->ErrorOutput() << collector->ErrorOutput();
    EXPECT_EQ(collector->Stop(), 0);
    const std::string collectedText = CollectedArchive("TST");
    EXPECT_EQ(Lines(collectedText), Lines(recorded));
    const auto differ = std::mismatch(collectedText.begin(), collectedText.end(), recorded.begin(), recorded.end());
    EXPECT_TRUE(collectedText == recorded)
        << "the collected lines differ from the station's from byte " << (differ.first - collectedText.begin())
        << ": collected \"" << std::string(differ.first, std::min(differ.first + 130, collectedText.end()))
        << "\", recorded \"" << std::string(differ.second, std::min(differ.second + 130, recorded.end())) << "\"";

    EXPECT_NE(brokerDeathLog.find("network: reconnecting"), std::string::npos) << brokerDeathLog;
    EXPECT_NE(brokerDeathLog.find("network: connected"), std::string::npos) << brokerDeathLog;
    const std::string collectorLog = collector->ErrorOutput();
    EXPECT_NE(collectorLog.find("TST: online"), std::string::npos) << collectorLog;
    EXPECT_NE(collectorLog.find("TST: offline"), std::string::npos) << collectorLog;
    EXPECT_NE(ReadWholeFile("collected/TST/meta.json").find("\"IDC\":\"TST\""), std::string::npos);
}

TEST(StationNetwork, RefusedCredentialsAndTopicsAreReportedClearlyWhileRecordingGoesOn) {
    TTempDir directory(true);
    TTestBroker broker(directory.Path() / "broker", false);
    const std::string link = directory.File("instrument");
    struct TCase {
        std::string Network;
        std::string Message;
    };
    const std::string readable = broker.PasswordFile("readable.password", TTestBroker::StationPassword("TST"));
    ::chmod(readable.c_str(), 0644);
    const TCase cases[] = {
        {NetworkSection(broker, "TST", broker.PasswordFile("wrong.password", "not-the-password")),
         "the broker refused the user name or password"},
        // User TST may not write below another station's name.
        {NetworkSection(broker, "TST", broker.PasswordFile("station.password", TTestBroker::StationPassword("TST"))) +
             "StationId=ABC\r\n",
         "not authorized"},
        {NetworkSection(broker, "TST", readable), "may be read by other users; refused"},
    };
    for (const TCase& test : cases) {
        SCOPED_TRACE(test.Message);
        std::filesystem::remove_all("ARCHIVE");
        WriteStationSettings(test.Network);
        TSimProcess simulator(ORVANT_SIMULATOR_PROGRAM, {"--link", link, "--rate", "100", "--start", "2024-03-01 10:00:00"});
        ASSERT_FALSE(simulator.DevicePath().empty());
        auto station = StartRecorder(link, "station.ini");
        ASSERT_TRUE(station);
        EXPECT_TRUE(WaitUntil([&] { return station->ErrorOutput().find(test.Message) != std::string::npos; }, 15s))
            << station->ErrorOutput();
        const std::size_t before = Lines(StationArchive());
        EXPECT_TRUE(WaitUntil([&] { return Lines(StationArchive()) > before + 20; }, 10s));
        simulator.Stop();
        EXPECT_EQ(station->Stop(), 0);
        EXPECT_EQ(CountOf(station->ErrorOutput(), test.Message), 1) << station->ErrorOutput();
    }
}
