#pragma once
// Reading an archive tree back (ROOT/yyyy/mm/YYYYMMDDHHNNSS[_n].orv) for publishing and for
// counting what was recorded after a known position: whole CR LF lines only, so that a line
// still being written is never taken half.

#include <cstdint>
#include <string>
#include <vector>

// True when archive file `a` was started before `b`: by year and month folder, time stamp,
// then the "_n" number (numerically: "_10" after "_9").
bool ArchiveOrderLess(const std::string& a, const std::string& b);

// The ".orv" files of the tree below `root` (which ends with "/ARCHIVE" or is "ARCHIVE"), as
// "root/yyyy/mm/name.orv", in recording order. None when the tree does not exist.
std::vector<std::string> ListArchiveFiles(const std::string& root);

struct TLineChunk {
    std::vector<std::string> Lines;  // without their line ends
    std::uint64_t EndOffset = 0;     // where the line after the last one starts
    bool Missing = false;            // the file does not exist (or cannot be read)
};

// Up to `maxLines` whole lines of `file` from byte `offset` on.
TLineChunk ReadLinesFrom(const std::string& file, std::uint64_t offset, std::size_t maxLines);

// The whole lines of `file` from byte `offset` on, counted; `endOffset` receives where the
// counted lines end. 0 for a missing file.
std::uint64_t CountLinesFrom(const std::string& file, std::uint64_t offset,
                             std::uint64_t* endOffset = nullptr);
