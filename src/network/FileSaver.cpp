#include "network/FileSaver.h"

#include "recording/AtomicFile.h"
#include "recording/SystemMessage.h"

#include <filesystem>
#include <utility>

TFileSaver::TFileSaver() : FThread([this] { Run(); }) {}

TFileSaver::~TFileSaver() {
    {
        std::lock_guard<std::mutex> lock(FLock);
        FStop = true;
    }
    FWake.notify_one();
    FThread.join();
}

void TFileSaver::Save(const std::string& path, std::string content) {
    {
        std::lock_guard<std::mutex> lock(FLock);
        FPending[path] = std::move(content);
    }
    FWake.notify_one();
}

void TFileSaver::Flush() {
    std::unique_lock<std::mutex> lock(FLock);
    FIdle.wait(lock, [this] { return FPending.empty() && !FWriting; });
}

std::vector<std::string> TFileSaver::TakeFailures() {
    std::lock_guard<std::mutex> lock(FLock);
    return std::exchange(FFailures, {});
}

void TFileSaver::Run() {
    std::unique_lock<std::mutex> lock(FLock);
    for (;;) {
        FWake.wait(lock, [this] { return FStop || !FPending.empty(); });
        if (FPending.empty()) return;  // stopping, and everything is written
        auto next = FPending.extract(FPending.begin());
        FWriting = true;
        lock.unlock();
        std::string failure;
        try {
            std::filesystem::create_directories(std::filesystem::path(next.key()).parent_path());
            WriteFileAtomically(next.key(), next.mapped());
        } catch (const std::filesystem::filesystem_error& error) {
            failure = next.key() + ": " + SystemMessage(error.code().value());
        } catch (const std::exception& error) {
            failure = error.what();  // names the file already
        }
        lock.lock();
        FWriting = false;
        if (!failure.empty()) FFailures.push_back(failure);
        if (FPending.empty()) FIdle.notify_all();
    }
}
