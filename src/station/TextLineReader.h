#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Reads a text file line by line in large blocks, without a copy or an allocation per line.
// Lines end at LF, CR LF or CR; a last line without an end counts, the empty text after the
// last line end does not. A NUL byte or a line longer than MaxLineLength raises ENotADataFile
// when the block holding it is read, before any line of that block is returned; a file that
// cannot be opened or read raises EInOutError with the system's reason.
// Thread rule: used by one thread at a time.
class TTextLineReader {
public:
    static constexpr std::size_t MaxLineLength = 4096;
    // Blocks small enough to stay in the processor's cache between the copy and the parse.
    static constexpr std::size_t DefaultBlockSize = std::size_t{128} << 10;

    explicit TTextLineReader(const std::string& path, std::size_t blockSize = DefaultBlockSize);
    ~TTextLineReader();
    TTextLineReader(const TTextLineReader&) = delete;
    TTextLineReader& operator=(const TTextLineReader&) = delete;

    // The next line without its end; false at the end of the file. The view stays valid until
    // the next call.
    bool NextLine(std::string_view& line);

    // 1-based number of the line last returned (0 before the first).
    std::uint64_t LineNumber() const { return FLineNumber; }
    // Bytes of the file consumed so far, line ends included.
    std::uint64_t Position() const { return FBufferOffset + FPos; }
    // The file's size when it was opened.
    std::uint64_t FileSize() const { return FFileSize; }

private:
    static constexpr std::size_t Unknown = static_cast<std::size_t>(-1);

    std::size_t NextOf(char c, std::size_t& cache);
    void Refill();
    [[noreturn]] void RefuseOverlongLine() const;

    std::string FPath;
    int FFile = -1;
    std::uint64_t FFileSize = 0;
    std::size_t FBlockSize;
    // Bytes [FPos, FEnd) of FBuffer are read and not yet returned; FBuffer[0] is at file offset
    // FBufferOffset.
    std::vector<char> FBuffer;
    std::size_t FPos = 0;
    std::size_t FEnd = 0;
    std::uint64_t FBufferOffset = 0;
    // Positions of the next CR and LF at or after FPos (FEnd when there is none in the buffer),
    // kept so that every byte is searched once even when one kind of line end never comes.
    std::size_t FNextCr = Unknown;
    std::size_t FNextLf = Unknown;
    bool FSkipLineFeed = false;  // the last line ended with a CR at the end of the buffer
    bool FAtEnd = false;
    std::uint64_t FLineNumber = 0;
};
