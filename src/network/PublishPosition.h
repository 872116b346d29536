#pragma once
// How far the broker has acknowledged a station's lines, kept beside the archive so that a
// restarted station (even after SIGKILL) republishes exactly what was not acknowledged, and
// numbers its lines on from where the archive says. It also remembers where each published
// archive file started in the numbering, so that a collector may ask for old lines again.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct TPublishPosition {
    // The next line not acknowledged: its sequence number, its archive file (as the archive
    // writer names it, "ARCHIVE/yyyy/mm/....orv") and the byte where it starts.
    std::uint64_t Seq = 0;
    std::string File;
    std::uint64_t Offset = 0;
    // Published files in recording order with the sequence number of their first line.
    struct TFileStart {
        std::string File;
        std::uint64_t FirstSeq = 0;
        bool operator==(const TFileStart&) const = default;
    };
    std::vector<TFileStart> Files;
    // The identity of the numbering Seq belongs to; empty in a file of an earlier version.
    std::string Numbering;

    bool operator==(const TPublishPosition&) const = default;
};

// Text form: "orvant3k-position 1", "next <seq> <offset> <file>", "numbering <id>", then
// "file <seq> <file>" lines.
std::string FormatPublishPosition(const TPublishPosition& position);
// Empty for a text that is not a position (a torn or foreign file).
std::optional<TPublishPosition> ParsePublishPosition(const std::string& text);
