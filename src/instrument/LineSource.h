#pragma once
// What the simulated instrument sends, line by line: the n-th line's time stamp (the start plus
// n periods, exactly), its text (a good line, or a bad one where asked) and its line end.

#include "instrument/LineRate.h"
#include "instrument/SimulatedField.h"
#include "instrument/StampTime.h"

#include <cstdint>
#include <string>
#include <string_view>

enum class TLineEnd { CrLf, Cr, LfCr };

std::string_view LineEndBytes(TLineEnd end);

enum class TLineKind {
    Good,
    WrongLength,  // one character short: the reader must drop it by its length
    Unparseable,  // the right length, with a letter inside a number: the parser must refuse it
};

// Thread rule: immutable after construction; any thread may call its methods.
class TLineSource {
public:
    // Stamps start at `start` and advance by one period of `stampRate` per line. With
    // `badEvery` = N > 0, lines N, 2N, 3N, ... (counting from 1) are bad, alternately of the
    // wrong length and unparseable.
    TLineSource(TStampMs start, TLineRate stampRate, TLineEnd lineEnd, std::uint64_t badEvery,
                std::uint64_t seed = 0);

    // The exact instant of line `line` (0-based); the line shows its whole second.
    TStampMs Stamp(std::uint64_t line) const;
    TLineKind Kind(std::uint64_t line) const;
    // The line without its end. ERangeError once the stamps pass the year 9999, which the
    // line's four-digit year cannot show.
    std::string Text(std::uint64_t line) const;
    // The text and the line end: the bytes to send.
    std::string Bytes(std::uint64_t line) const;

    const TSimulatedField& Field() const { return FField; }

private:
    TStampMs FStart;
    TLineRate FStampRate;
    TLineEnd FLineEnd;
    std::uint64_t FBadEvery;
    TSimulatedField FField;
};
