#pragma once
// Helpers of the whole-program tests: the built station started headless as a child process,
// and waits on what it leaves behind.

#include "SimProcess.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

inline const std::string StationProgram = ORVANT_BIN_DIR "/src/orvant3k";

// Waits until `done` or the time-out; true when done.
inline bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

inline int CountOf(const std::string& text, const std::string& part) {
    int count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

// `orvant3k --headless --port <port> --settings <settings>`, returned once its reader reads
// (its log says "open, reading"); empty when it did not get there.
inline std::unique_ptr<TSimProcess> StartRecorder(const std::string& port,
                                                  const std::string& settings) {
    auto recorder = std::make_unique<TSimProcess>(
        StationProgram, std::vector<std::string>{"--headless", "--port", port, "--settings", settings});
    if (!WaitUntil(
            [&recorder] {
                return recorder->ErrorOutput().find("open, reading") != std::string::npos ||
                       !recorder->Running();
            },
            std::chrono::seconds(30)) ||
        !recorder->Running())
        return nullptr;
    return recorder;
}
