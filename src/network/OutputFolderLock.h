#pragma once
// One collector per output folder: two collectors writing the same stations' archives would
// double every line and overwrite each other's positions. The lock is the kernel's (flock on
// OUT/collector.lock), so it goes with its holder, a kill included; the file names the
// holder's process for the refusal.
//
// Thread rule: created and destroyed by one thread.

#include <string>

class TOutputFolderLock {
public:
    // EInOutError naming the collector already recording into `folder`, or why the lock file
    // cannot be made.
    explicit TOutputFolderLock(const std::string& folder);
    ~TOutputFolderLock();
    TOutputFolderLock(const TOutputFolderLock&) = delete;
    TOutputFolderLock& operator=(const TOutputFolderLock&) = delete;

private:
    int FHandle = -1;
};
