#include "station/TextLineReader.h"

#include "acquisition/RuntimeErrors.h"
#include "station/NotADataFile.h"
#include "recording/SystemMessage.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

EInOutError CannotOpen(const std::string& path, int error) {
    return EInOutError("Cannot open file " + path + ": " + SystemMessage(error));
}

}  // namespace

TTextLineReader::TTextLineReader(const std::string& path, std::size_t blockSize)
    : FPath(path), FBlockSize(blockSize > 0 ? blockSize : 1) {
    // Room for one block after the unfinished line carried over from the previous one.
    FBuffer.resize(MaxLineLength + FBlockSize);
    // Non-blocking only for the open itself: a FIFO must not hang the loading thread.
    FFile = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (FFile < 0) throw CannotOpen(path, errno);
    struct stat info{};
    int error = 0;
    if (fstat(FFile, &info) != 0)
        error = errno;
    else if (S_ISDIR(info.st_mode))
        error = EISDIR;
    if (error != 0 || !S_ISREG(info.st_mode)) {
        ::close(FFile);
        if (error != 0) throw CannotOpen(path, error);
        throw ENotADataFile(path, "not a regular file");
    }
    fcntl(FFile, F_SETFL, fcntl(FFile, F_GETFL) & ~O_NONBLOCK);
    posix_fadvise(FFile, 0, 0, POSIX_FADV_SEQUENTIAL);
    FFileSize = static_cast<std::uint64_t>(info.st_size);
}

TTextLineReader::~TTextLineReader() { ::close(FFile); }

bool TTextLineReader::NextLine(std::string_view& line) {
    for (;;) {
        const char* data = FBuffer.data();
        if (FSkipLineFeed && FPos < FEnd) {
            FSkipLineFeed = false;
            if (data[FPos] == '\n') ++FPos;
        }
        const std::size_t end = std::min(NextOf('\r', FNextCr), NextOf('\n', FNextLf));
        if (end < FEnd) {
            if (end - FPos > MaxLineLength) RefuseOverlongLine();
            line = std::string_view(data + FPos, end - FPos);
            FPos = end + 1;
            if (data[end] == '\r') {
                if (FPos < FEnd) {
                    if (data[FPos] == '\n') ++FPos;
                } else {
                    FSkipLineFeed = true;  // its LF, if any, comes with the next block
                }
            }
            ++FLineNumber;
            return true;
        }
        if (FEnd - FPos > MaxLineLength) RefuseOverlongLine();
        if (FAtEnd) {
            if (FPos == FEnd) return false;
            line = std::string_view(data + FPos, FEnd - FPos);
            FPos = FEnd;
            ++FLineNumber;
            return true;
        }
        Refill();
    }
}

std::size_t TTextLineReader::NextOf(char c, std::size_t& cache) {
    if (cache == Unknown || cache < FPos) {
        const void* hit = std::memchr(FBuffer.data() + FPos, c, FEnd - FPos);
        cache = hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - FBuffer.data())
                    : FEnd;
    }
    return cache;
}

void TTextLineReader::Refill() {
    char* data = FBuffer.data();
    const std::size_t carried = FEnd - FPos;
    std::memmove(data, data + FPos, carried);
    FBufferOffset += FPos;
    FPos = 0;
    FEnd = carried;
    FNextCr = FNextLf = Unknown;
    ssize_t count;
    do {
        count = ::read(FFile, data + FEnd, FBlockSize);
    } while (count < 0 && errno == EINTR);
    if (count < 0) throw EInOutError("Cannot read file " + FPath + ": " + SystemMessage(errno));
    if (count == 0) {
        FAtEnd = true;
        return;
    }
    if (const void* nul = std::memchr(data + FEnd, '\0', static_cast<std::size_t>(count))) {
        const std::uint64_t byte =
            FBufferOffset + static_cast<std::uint64_t>(static_cast<const char*>(nul) - data) + 1;
        throw ENotADataFile(FPath, "binary content at byte " + std::to_string(byte));
    }
    FEnd += static_cast<std::size_t>(count);
}

void TTextLineReader::RefuseOverlongLine() const {
    throw ENotADataFile(FPath, "a line longer than " + std::to_string(MaxLineLength) +
                                   " characters at line " + std::to_string(FLineNumber + 1));
}
