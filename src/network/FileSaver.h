#pragma once
// Small files replaced atomically (WriteFileAtomically) on a thread of their own: each
// replacement waits for the disk, and a collector saving the positions of a thousand stations
// must not hold up its event loop, and so every station's lines, for that.
//
// A file handed over again before it was written is written once, with the newer content; the
// files of one path are written in the order handed over.
//
// Thread rule: Save, Flush and TakeFailures from any thread; the writing runs on the saver's own.

#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class TFileSaver {
public:
    TFileSaver();
    // Writes everything handed over, then ends the thread.
    ~TFileSaver();
    TFileSaver(const TFileSaver&) = delete;
    TFileSaver& operator=(const TFileSaver&) = delete;

    // Replaces `path` (its folders made when missing) by `content`, soon.
    void Save(const std::string& path, std::string content);
    // Returns once everything handed over before the call is written (or has failed).
    void Flush();
    // The failures since the last call, each "<path>: <reason>", oldest first.
    std::vector<std::string> TakeFailures();

private:
    void Run();

    std::mutex FLock;
    std::condition_variable FWake;  // work to do, or stop
    std::condition_variable FIdle;  // nothing handed over is left unwritten
    std::map<std::string, std::string> FPending;
    bool FWriting = false;
    bool FStop = false;
    std::vector<std::string> FFailures;
    std::thread FThread;
};
