#include "network/OutputFolderLock.h"

#include "acquisition/RuntimeErrors.h"
#include "recording/AtomicFile.h"
#include "recording/SystemMessage.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

TOutputFolderLock::TOutputFolderLock(const std::string& folder) {
    const std::string path = folder + "/collector.lock";
    FHandle = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (FHandle < 0) throw EInOutError(path + ": " + SystemMessage(errno));
    if (::flock(FHandle, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(FHandle);
        FHandle = -1;
        if (error != EWOULDBLOCK) throw EInOutError(path + ": " + SystemMessage(error));
        std::string holder = ReadSmallFile(path);
        while (!holder.empty() && (holder.back() == '\n' || holder.size() > 20)) holder.pop_back();
        throw EInOutError("another collector (process " + (holder.empty() ? std::string("unknown") : holder) +
                          ") records into " + folder + "; only one collector may record into a folder");
    }
    const std::string pid = std::to_string(::getpid()) + "\n";
    if (::ftruncate(FHandle, 0) != 0 || ::write(FHandle, pid.data(), pid.size()) < 0) {
        // The lock holds without the note; only the refusal of a second collector lacks the number.
    }
}

TOutputFolderLock::~TOutputFolderLock() {
    if (FHandle >= 0) ::close(FHandle);
}
