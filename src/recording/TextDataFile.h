#pragma once
// A text data file with CR LF line ends, written straight to the operating system.

#include "recording/DataFile.h"

#include <functional>
#include <string>
#include <string_view>

// Every FWriteString and FWriteLn hands its bytes to the operating system in one write(2)
// before it returns (no user-space buffer, no fsync): a killed program loses no line that
// was reported written, and a full disk or an I/O error is raised by the write that met it.
// A write that fails after part of its bytes went out takes them back, so the file never
// holds a torn record.
//
// Batch work (rebuilding files from the archive) may switch on buffering instead: writes then
// gather in a block that is handed over when full and when the file closes, a few system calls
// per thousand lines. A killed batch loses at most its block, which it can simply make again.
// Thread rule: an object is used by one thread only (the one that records the samples).
class TTextDataFile : public TDataFile {
public:
    // Called by FWriteLn with the object and the completed line (text since the last line end).
    using TLineNotification = std::function<void(TDataFile& file, const std::string& line)>;

    TTextDataFile() = default;
    // Releases an open file quietly; a failure is reported through the notifier.
    ~TTextDataFile() override;

    // Creates or truncates GetFileName() (TTextDateFile/FOpenforWrite on failure).
    void FOpenforWrite() override;
    // TTextDateFile/FCloseFile on failure.
    void FCloseFile() override;
    // Both raise "File is not opened for writing" when closed, and the system's reason when the
    // write fails (TTextDateFile/WriteDateFile).
    void FWriteString(const std::string& text) override;
    void FWriteLn(const std::string& text) override;

    // Reopens the existing file GetFileName() for appending and marks the object open
    // (TTextDateFile/AppendFile on failure, the object then stays closed).
    void AppendFile();

    const std::string& LineBuffer() const { return FLineBuffer; }

    // Gathers writes in a block (see above); for batch work only, set before the first write.
    void SetBuffered(bool buffered) { FBuffered = buffered; }
    bool Buffered() const { return FBuffered; }

    // True when the open file has lost its last name (deleted, or its directory removed):
    // writes to it would still succeed and go nowhere. Not looked for in buffered batch work.
    bool FileRemoved() const;

    TLineNotification OnLine;

private:
    void CheckOpened() const;
    void WriteAll(std::string_view bytes);
    void WriteNow(std::string_view bytes);
    void FlushBlock();
    void TakeBack(std::size_t bytes);
    void ReleaseHandleQuietly();

    int FHandle = -1;
    std::string FLineBuffer;
    std::string FOutput;  // reused for "text + CR LF", so a line costs no allocation
    bool FBuffered = false;
    std::string FBlock;  // buffered bytes not yet handed over
};
