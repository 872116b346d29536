// Peers that try to steer a collector or a station: a forged notice of lost lines, a flood of
// resend requests, lines that contradict the recorded ones, names and payloads no station
// sends, a second collector on the same folder, more stations than allowed. None of it may
// lose a recorded line, hang or crash anything, and each shows up in a log line.

#include "CollectorProcess.h"
#include "PublishingStation.h"

#include "network/StationPublisher.h"

namespace {

using namespace std::chrono_literals;

void PublishAsStation(const TTestBroker& broker, const std::string& kind, const std::string& payload) {
    PublishAs(broker, "TST", TTestBroker::StationPassword("TST"), "orvant3k/v1/TST/" + kind, payload);
}

bool Logged(const TSimProcess& process, const std::string& text) {
    return WaitUntil([&] { return process.ErrorOutput().find(text) != std::string::npos; }, 10s);
}

}  // namespace

TEST(CollectorPeers, NoPeerLosesARecordedLineOrKeepsAStationRepublishing) {
    TTempDir directory(true);
    TTestBroker broker(directory.Path() / "broker", false);
    TPublishingStation station(broker, "TST", "TST");
    station.Record(400);
    auto collector = StartCollector(broker, "collected");
    ASSERT_TRUE(WaitUntil([&] { return CollectedArchive("collected", "TST") == station.Archive(); }, 30s))
        << collector->ErrorOutput();

    // A notice that every line is gone, and recorded lines told otherwise.
    PublishAsStation(broker, "lines", "{\"seq\":0,\"skip\":9007199254740000}");
    EXPECT_TRUE(Logged(*collector, "TST: a notice that lines 0 to 9007199254739999 are gone was refused: the "
                                   "station has announced lines up to 399 only"))
        << collector->ErrorOutput();
    PublishAsStation(broker, "lines", "{\"seq\":390,\"lines\":[\"" + TPublishingStation::Line(5000) + "\"]}");
    EXPECT_TRUE(Logged(*collector, "TST: line 390 received differs from the line recorded under that number"))
        << collector->ErrorOutput();

    // Names, sizes and texts no station sends.
    for (const char* name : {"A B", "..", "\xc3\x84rger"})
        PublishAs(broker, TTestBroker::PeerUser, TTestBroker::PeerPassword,
                  std::string("orvant3k/v1/") + name + "/status", "{\"state\":\"online\"}");
    EXPECT_TRUE(Logged(*collector, "ignored: a station name is 1 to 64 letters, digits, \"-\" or \"_\" (further ones"))
        << collector->ErrorOutput();
    EXPECT_TRUE(Logged(*collector, "a message under the station name \"\\xc3\\x84rger\" was ignored"));
    EXPECT_FALSE(std::filesystem::exists("collected/A B"));
    PublishAsStation(broker, "meta", "{\"intermagnet\":{},\"program\":\"x\\r\\nDATE TIME DOY\",\"junk\":\"" +
                                         std::string(300 * 1024, 'j') + "\"}");
    PublishAsStation(broker, "meta", "{\"intermagnet\":{},\"program\":\"orvant3k\\r\\n2024-05-01 00:00:00.000 122\"}");
    PublishAsStation(broker, "status", "{\"state\":\"online\\u001b[2J fake\"}");
    EXPECT_TRUE(Logged(*collector, "TST: a meta message of 307")) << collector->ErrorOutput();
    EXPECT_TRUE(Logged(*collector, "TST: a meta message that is not a station description was ignored"))
        << collector->ErrorOutput();
    EXPECT_EQ(collector->ErrorOutput().find("fake"), std::string::npos) << collector->ErrorOutput();
    EXPECT_EQ(collector->ErrorOutput().find('\x1b'), std::string::npos);

    // A resend flood: the station serves one rewind at a time, not one per request.
    TSimProcess watcher("/usr/bin/mosquitto_sub", {"-h", "127.0.0.1", "-p", std::to_string(broker.Port()), "-u",
                                                   TTestBroker::CollectorUser, "-P", TTestBroker::CollectorPassword,
                                                   "-t", "orvant3k/v1/TST/lines"});
    std::this_thread::sleep_for(300ms);
    TSimProcess flood("/bin/sh", {"-c", "yes '{\"from\":0}' | head -n 500 | mosquitto_pub -h 127.0.0.1 -p " +
                                            std::to_string(broker.Port()) + " -u collector -P " +
                                            TTestBroker::CollectorPassword + " -q 1 -l -t orvant3k/v1/TST/resend"});
    EXPECT_EQ(flood.Wait(), 0) << flood.ErrorOutput();
    std::this_thread::sleep_for(4s);
    watcher.Stop();
    const int rewinds = CountOf(watcher.Output(), "\"seq\":0}");  // the keys come sorted
    EXPECT_GE(rewinds, 1);
    EXPECT_LE(rewinds, 3) << "the station republished its archive " << rewinds << " times for 500 requests";

    // History requests of an overview page are answered on the asking page's own topic only,
    // never on another station's topics or below the page's.
    TSimProcess answers("/usr/bin/mosquitto_sub", {"-h", "127.0.0.1", "-p", std::to_string(broker.Port()), "-V",
                                                   "mqttv5", "-u", TTestBroker::CollectorUser, "-P",
                                                   TTestBroker::CollectorPassword, "-v", "-t", "orvant3k/v1/+/history/answer/#"});
    std::this_thread::sleep_for(300ms);
    const auto ask = [&](const std::string& name, const std::string& answerTopic, const std::string& request) {
        TSimProcess publish("/usr/bin/mosquitto_pub",
                            {"-h", "127.0.0.1", "-p", std::to_string(broker.Port()), "-V", "mqttv5", "-u",
                             TTestBroker::PeerUser, "-P", TTestBroker::PeerPassword, "-q", "1", "-t",
                             "orvant3k/v1/" + name + "/history", "-D", "publish", "response-topic", answerTopic, "-D",
                             "publish", "correlation-data", "c1", "-m", request});
        EXPECT_EQ(publish.Wait(), 0) << publish.ErrorOutput();
    };
    const std::string day = "{\"from\":\"2024-01-05T00:00:00\",\"to\":\"2024-01-06T00:00:00\"}";
    ask("TST", "orvant3k/v1/TST/history/answer/page", day);
    ask("TST", "orvant3k/v1/ABC/history/answer/page", day);
    ask("TST", "orvant3k/v1/TST/history/answer/page/deeper", day);
    ask("TST", "orvant3k/v1/TST/history/answer/bad", "{\"from\":\"yesterday\"}");
    ask("XYZ", "orvant3k/v1/XYZ/history/answer/page", day);
    EXPECT_TRUE(WaitUntil([&] { return CountOf(answers.Output(), "\n") >= 3; }, 10s)) << answers.Output();
    std::this_thread::sleep_for(500ms);
    answers.Stop();
    EXPECT_EQ(answers.Output(),
              "orvant3k/v1/TST/history/answer/page {\"error\":\"this collector writes no IAGA-2002 files of TST (its "
              "description asks for none)\"}\n"
              "orvant3k/v1/TST/history/answer/bad {\"error\":\"the request is not "
              "{\\\"from\\\":\\\"yyyy-mm-ddThh:nn:ss\\\",\\\"to\\\":...} with to after from\"}\n"
              "orvant3k/v1/XYZ/history/answer/page {\"error\":\"this collector does not record XYZ\"}\n");

    // Nothing of it cost a line.
    station.Record(50);
    EXPECT_TRUE(WaitUntil([&] { return CollectedArchive("collected", "TST") == station.Archive(); }, 30s))
        << collector->ErrorOutput();

    // A second collector on the same folder refuses to start, naming the first; one allowed a
    // single station ignores the second.
    TSimProcess second(CollectorProgram, {"--broker", "127.0.0.1:" + std::to_string(broker.Port()), "--out", "collected"});
    EXPECT_EQ(second.Wait(), 1);
    EXPECT_NE(second.ErrorOutput().find("another collector (process " + std::to_string(collector->Pid()) +
                                        ") records into collected"),
              std::string::npos)
        << second.ErrorOutput();
    TPublishingStation other(broker, "ABC", "ABC");
    other.Record(5);
    auto capped = StartCollector(broker, "capped", {"--max-stations", "1"});
    EXPECT_TRUE(Logged(*capped, "ignored, and any further new one: this collector records at most 1 stations"))
        << capped->ErrorOutput();
    EXPECT_EQ(capped->Stop(), 0);
    EXPECT_EQ(collector->Stop(), 0);

    // A station id that cannot name topics stops publishing with a reason, not obscurely.
    TPublisherOptions options;
    options.Network.Broker = "127.0.0.1";
    options.Network.Port = broker.Port();
    options.Network.StationId = "A+";
    TStationPublisher refused(options);
    EXPECT_TRUE(WaitUntil([&] { return refused.Status().Reason.find("cannot name topics") != std::string::npos; }, 5s))
        << refused.Status().Reason;
}
