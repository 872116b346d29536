#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Reads an archive file line by line in large blocks, tolerant of what a crash or a bad disk
// leaves behind: a NUL-filled tail or a line without an end is returned as a line like any other
// (the parser refuses it), never an error that would lose the rest of the file. Lines end at CR,
// LF or CR LF; empty lines are skipped. A line longer than the block is cut into block-sized
// pieces, each of which the parser refuses.
// Thread rule: used by one thread at a time.
class TArchiveLineReader {
public:
    static constexpr std::size_t BlockSize = std::size_t{256} << 10;

    // Opens the file; EInOutError with the system's reason when it cannot.
    explicit TArchiveLineReader(const std::string& path);
    ~TArchiveLineReader();
    TArchiveLineReader(const TArchiveLineReader&) = delete;
    TArchiveLineReader& operator=(const TArchiveLineReader&) = delete;

    // The next line without its end, valid until the next call; false at the end of the file.
    // A read error raises EInOutError with the system's reason.
    bool NextLine(std::string_view& line);

    // 1-based number of the line last returned, counting skipped empty lines too.
    std::uint64_t LineNumber() const { return FLineNumber; }
    // Bytes consumed so far.
    std::uint64_t Position() const { return FConsumed; }
    const std::string& Path() const { return FPath; }

private:
    // Moves the unread bytes to the front and fills the rest of the block; true when it read any.
    bool Refill();

    std::string FPath;
    int FFile = -1;
    std::vector<char> FBuffer;
    std::size_t FPos = 0;
    std::size_t FEnd = 0;
    std::uint64_t FConsumed = 0;
    std::uint64_t FLineNumber = 0;
    bool FAtEnd = false;
    bool FLastWasCr = false;  // an LF right after a CR ends no further line
};
