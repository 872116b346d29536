#include "recording/TextDataFile.h"

#include "acquisition/BasicException.h"
#include "acquisition/Notifier.h"
#include "recording/SystemMessage.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* ClassText = "TTextDateFile";
constexpr std::size_t BlockSize = std::size_t{64} << 10;

EBasicException WriteError(const std::string& message) {
    return EBasicException::Create(message, 0, ClassText, "WriteDateFile");
}

}  // namespace

TTextDataFile::~TTextDataFile() {
    if (FHandle < 0) return;
    try {
        FlushBlock();
    } catch (const std::exception& error) {
        Notifier().Report(TReportKind::WriteError, GetFileName() + ": " + error.what());
    }
    if (::close(FHandle) != 0 && errno != EINTR)
        Notifier().Report(TReportKind::WriteError,
                          "Closing " + GetFileName() + ": " + SystemMessage(errno));
    FHandle = -1;
}

void TTextDataFile::ReleaseHandleQuietly() {
    if (FHandle >= 0 && !FBlock.empty()) {
        try {
            FlushBlock();
        } catch (const std::exception&) {
            // Quietly, as the name says: the caller is already on a failure path.
        }
    }
    FBlock.clear();
    if (FHandle >= 0) ::close(FHandle);
    FHandle = -1;
}

void TTextDataFile::FOpenforWrite() {
    ReleaseHandleQuietly();
    // O_APPEND keeps every write at the end, also after TakeBack shortened the file.
    const int handle = ::open(GetFileName().c_str(),
                              O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0666);
    if (handle < 0)
        throw EBasicException::Create(SystemMessage(errno), 0, ClassText, "FOpenforWrite");
    FHandle = handle;
    FLineBuffer.clear();
}

void TTextDataFile::FCloseFile() {
    if (FHandle < 0) throw EBasicException::Create(SystemMessage(EBADF), 0, ClassText, "FCloseFile");
    try {
        FlushBlock();
    } catch (...) {
        ReleaseHandleQuietly();
        throw;
    }
    const int handle = FHandle;
    FHandle = -1;  // released by close() whatever it reports
    if (::close(handle) != 0 && errno != EINTR)
        throw EBasicException::Create(SystemMessage(errno), 0, ClassText, "FCloseFile");
}

void TTextDataFile::AppendFile() {
    ReleaseHandleQuietly();
    const int handle = ::open(GetFileName().c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (handle < 0)
        throw EBasicException::Create(SystemMessage(errno), 0, ClassText, "AppendFile");
    FHandle = handle;
    FOpened = true;
}

bool TTextDataFile::FileRemoved() const {
    if (FBuffered) return false;
    struct stat info {};
    return FHandle >= 0 && ::fstat(FHandle, &info) == 0 && info.st_nlink == 0;
}

void TTextDataFile::CheckOpened() const {
    if (!Opened() || FHandle < 0) throw WriteError("File is not opened for writing");
}

void TTextDataFile::FWriteString(const std::string& text) {
    CheckOpened();
    WriteAll(text);
    FLineBuffer += text;
}

void TTextDataFile::FWriteLn(const std::string& text) {
    CheckOpened();
    if (FBuffered) {
        // Straight into the block: a conversion writes tens of millions of lines.
        FBlock += text;
        FBlock += "\r\n";
        if (FBlock.size() >= BlockSize) FlushBlock();
    } else {
        FOutput.assign(text);
        FOutput += "\r\n";
        WriteNow(FOutput);
    }
    if (OnLine) {
        FLineBuffer += text;
        OnLine(*this, FLineBuffer);
    }
    FLineBuffer.clear();
}

void TTextDataFile::WriteAll(std::string_view bytes) {
    if (!FBuffered) return WriteNow(bytes);
    FBlock += bytes;
    if (FBlock.size() >= BlockSize) FlushBlock();
}

void TTextDataFile::FlushBlock() {
    if (FBlock.empty()) return;
    // A block that failed is dropped like an unbuffered write that failed: the caller hears of it.
    try {
        WriteNow(FBlock);
    } catch (...) {
        FBlock.clear();
        throw;
    }
    FBlock.clear();
}

void TTextDataFile::WriteNow(std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(FHandle, bytes.data() + done, bytes.size() - done);
        if (written > 0) {
            done += static_cast<std::size_t>(written);
            continue;
        }
        if (written < 0 && errno == EINTR) continue;
        const int error = written < 0 ? errno : EIO;
        TakeBack(done);
        throw WriteError(SystemMessage(error));
    }
}

// Removes the last `bytes` bytes of a regular file after a write that stopped part-way.
void TTextDataFile::TakeBack(std::size_t bytes) {
    if (bytes == 0) return;
    struct stat info {};
    if (::fstat(FHandle, &info) != 0 || !S_ISREG(info.st_mode)) return;
    const off_t length = info.st_size - static_cast<off_t>(bytes);
    if (length >= 0 && ::ftruncate(FHandle, length) != 0) {
        // Nothing more can be done: the write error itself is what the caller hears about.
    }
}
