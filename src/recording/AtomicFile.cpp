#include "recording/AtomicFile.h"

#include "acquisition/RuntimeErrors.h"
#include "recording/SystemMessage.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

void WriteFileAtomically(const std::string& path, const std::string& content, bool flushToDisk) {
    // A name of its own per writer: two writers of one file (two programs, or two threads)
    // must never write into each other's temporary file.
    std::string temporary = path + ".new.XXXXXX";
    const int handle = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (handle < 0) throw EInOutError(path + ".new: " + SystemMessage(errno));
    ::fchmod(handle, 0644);
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t written = ::write(handle, content.data() + done, content.size() - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            const int error = written < 0 ? errno : EIO;
            ::close(handle);
            ::unlink(temporary.c_str());
            throw EInOutError(temporary + ": " + SystemMessage(error));
        }
        done += static_cast<std::size_t>(written);
    }
    // Without the flush a power cut could leave the new name on an empty file.
    const bool synced = !flushToDisk || ::fdatasync(handle) == 0;
    const int syncError = errno;
    ::close(handle);
    if (!synced || std::rename(temporary.c_str(), path.c_str()) != 0) {
        const int error = synced ? errno : syncError;
        ::unlink(temporary.c_str());
        throw EInOutError(path + ": " + SystemMessage(error));
    }
}

std::string ReadSmallFile(const std::string& path) {
    std::string content;
    const int handle = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (handle < 0) return content;
    char buffer[8192];
    ssize_t got = 0;
    while ((got = ::read(handle, buffer, sizeof buffer)) > 0)
        content.append(buffer, static_cast<std::size_t>(got));
    ::close(handle);
    return content;
}
