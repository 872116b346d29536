#include "recording/ArchiveLineReader.h"

#include "acquisition/RuntimeErrors.h"
#include "recording/SystemMessage.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

TArchiveLineReader::TArchiveLineReader(const std::string& path)
    : FPath(path), FBuffer(BlockSize) {
    FFile = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (FFile < 0) throw EInOutError(SystemMessage(errno));
    // The converter reads each file once, from start to end.
    ::posix_fadvise(FFile, 0, 0, POSIX_FADV_SEQUENTIAL);
}

TArchiveLineReader::~TArchiveLineReader() {
    if (FFile >= 0) ::close(FFile);
}

bool TArchiveLineReader::Refill() {
    // Keep the unfinished line at the front of the buffer.
    const std::size_t kept = FEnd - FPos;
    if (kept > 0 && FPos > 0) std::memmove(FBuffer.data(), FBuffer.data() + FPos, kept);
    FPos = 0;
    FEnd = kept;
    while (FEnd < FBuffer.size()) {
        const ssize_t count = ::read(FFile, FBuffer.data() + FEnd, FBuffer.size() - FEnd);
        if (count < 0) {
            if (errno == EINTR) continue;
            throw EInOutError(SystemMessage(errno));
        }
        if (count == 0) {
            FAtEnd = true;
            break;
        }
        FEnd += static_cast<std::size_t>(count);
    }
    return FEnd > kept;
}

namespace {

// Up to the first CR or LF, or all of it. memchr is vectorised; searching a window of a few
// lines at a time keeps a file with only one kind of line end from having each search run to
// the end of the buffer.
std::size_t LineLength(const char* begin, std::size_t available) {
    constexpr std::size_t Window = 256;
    for (std::size_t from = 0; from < available; from += Window) {
        const char* window = begin + from;
        const std::size_t size = std::min(Window, available - from);
        const void* cr = std::memchr(window, '\r', size);
        const std::size_t crAt =
            cr ? static_cast<std::size_t>(static_cast<const char*>(cr) - window) : size;
        const void* lf = std::memchr(window, '\n', crAt);
        const std::size_t end =
            lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - window) : crAt;
        if (end < size) return from + end;
    }
    return available;
}

}  // namespace

bool TArchiveLineReader::NextLine(std::string_view& line) {
    for (;;) {
        const char* begin = FBuffer.data() + FPos;
        const std::size_t available = FEnd - FPos;
        const std::size_t length = LineLength(begin, available);
        if (length == available) {
            // No line end in what is read: read on, unless the file is over or the line alone
            // fills the block (then it goes out as it is, to be refused).
            if (!FAtEnd && available < FBuffer.size()) {
                Refill();
                continue;
            }
            if (available == 0) return false;
        }
        const bool hasEnd = length < available;
        const char end = hasEnd ? begin[length] : '\0';
        const bool lineFeedOfCrLf = FLastWasCr && length == 0 && end == '\n';
        const std::size_t consumed = length + (hasEnd ? 1 : 0);
        FPos += consumed;
        FConsumed += consumed;
        FLastWasCr = end == '\r';
        if (lineFeedOfCrLf) continue;
        ++FLineNumber;
        if (length == 0) continue;  // an empty line: nothing to refuse
        line = std::string_view(begin, length);
        return true;
    }
}
