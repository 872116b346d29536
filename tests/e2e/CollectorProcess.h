#pragma once
// Helpers of the whole-program tests of a station network: the built collector on the test
// broker, and messages published as a peer would (mosquitto_pub, under a user of the broker).

#include "RecorderProcess.h"
#include "TempDir.h"
#include "TestBroker.h"

#include <gtest/gtest.h>

inline const std::string CollectorProgram = ORVANT_BIN_DIR "/tools/orvant3k-collector";

// The collector as user "collector" into `out`, returned once it is connected.
inline std::unique_ptr<TSimProcess> StartCollector(const TTestBroker& broker, const std::string& out,
                                                   const std::vector<std::string>& more = {}) {
    std::vector<std::string> arguments{"--broker", "127.0.0.1:" + std::to_string(broker.Port()),
                                       "--username", TTestBroker::CollectorUser, "--password-file",
                                       broker.PasswordFile("collector.password", TTestBroker::CollectorPassword),
                                       "--out", out};
    if (broker.Tls()) arguments.insert(arguments.end(), {"--tls", "--cafile", broker.CAFile()});
    arguments.insert(arguments.end(), more.begin(), more.end());
    auto collector = std::make_unique<TSimProcess>(CollectorProgram, arguments);
    EXPECT_TRUE(WaitUntil([&] { return collector->ErrorOutput().find("connected to") != std::string::npos; },
                          std::chrono::seconds(15)))
        << collector->ErrorOutput();
    return collector;
}

// Publishes `payload` on `topic` as `user` (its password as the test broker makes it).
inline void PublishAs(const TTestBroker& broker, const std::string& user, const std::string& password,
                      const std::string& topic, const std::string& payload) {
    WriteWholeFile("payload.tmp", payload);  // of any size, unlike an argument
    TSimProcess publisher("/usr/bin/mosquitto_pub",
                          {"-h", "127.0.0.1", "-p", std::to_string(broker.Port()), "-u", user, "-P", password,
                           "-q", "1", "-t", topic, "-f", "payload.tmp"});
    EXPECT_EQ(publisher.Wait(), 0) << publisher.ErrorOutput();
}

// The archive a collector wrote for `station` below `out`.
inline std::string CollectedArchive(const std::string& out, const std::string& station) {
    return ConcatenatedFiles(FilesUnder(out + "/" + station + "/ARCHIVE"));
}
