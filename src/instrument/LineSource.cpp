#include "instrument/LineSource.h"

#include "acquisition/RuntimeErrors.h"
#include "instrument/InstrumentLine.h"

namespace {

// "YYYY MM DD hh mm ss " takes 20 characters and Bx ("%9.2f") the next nine; the character
// before its decimal point is always a digit.
constexpr std::size_t BxLastIntegerDigit = 20 + 9 - 4;

}  // namespace

std::string_view LineEndBytes(TLineEnd end) {
    switch (end) {
        case TLineEnd::Cr: return "\r";
        case TLineEnd::LfCr: return "\n\r";
        case TLineEnd::CrLf: break;
    }
    return "\r\n";
}

TLineSource::TLineSource(TStampMs start, TLineRate stampRate, TLineEnd lineEnd,
                         std::uint64_t badEvery, std::uint64_t seed)
    : FStart(start), FStampRate(stampRate), FLineEnd(lineEnd), FBadEvery(badEvery), FField(seed) {}

TStampMs TLineSource::Stamp(std::uint64_t line) const {
    return FStart + FStampRate.OffsetMilliseconds(line);
}

TLineKind TLineSource::Kind(std::uint64_t line) const {
    if (FBadEvery == 0 || (line + 1) % FBadEvery != 0) return TLineKind::Good;
    const std::uint64_t badNumber = (line + 1) / FBadEvery;  // 1 for the first bad line
    return badNumber % 2 == 1 ? TLineKind::WrongLength : TLineKind::Unparseable;
}

std::string TLineSource::Text(std::uint64_t line) const {
    const TStampMs stamp = Stamp(line);
    if (stamp > LastShowableStamp())
        throw ERangeError("The time stamps have passed 9999-12-31 23:59:59");
    std::string text = FormatInstrumentLine(DateTimeOfStamp(WholeSecondOf(stamp)), FField.Values(stamp));
    switch (Kind(line)) {
        case TLineKind::WrongLength: text.pop_back(); break;
        case TLineKind::Unparseable: text[BxLastIntegerDigit] = 'O'; break;
        case TLineKind::Good: break;
    }
    return text;
}

std::string TLineSource::Bytes(std::uint64_t line) const {
    return Text(line) + std::string(LineEndBytes(FLineEnd));
}
