#pragma once

#include "acquisition/DateTime.h"

#include <array>
#include <string>
#include <string_view>

// Cuts the leading space-separated token off `text` into `token`; the spaces after it go too.
void CutToken(std::string& text, std::string& token);

// The packet's parser without a packet: true and the line's stamp and five values when the line
// is one the TLogicalPacket constructor accepts (the same lines, the same results); false, the
// outputs untouched, otherwise. Never throws and never allocates, for loading whole files.
bool TryParseInstrumentLine(std::string_view line, TDateTime& stamp,
                            std::array<double, 5>& values);

// How a packet constructor tells the user about a line it cannot parse.
enum class TBadLineReport {
    Modal,     // an error box, waited for (lines parsed on the user-interface thread)
    NonModal,  // a report that does not wait (the reader thread must never block on a box)
    Silent,    // nothing; the caller reports (the viewer counts lines after the first)
};

// One measurement: the instant, the five channel values (Bx, By, Bz, then the two auxiliary
// channels) and the received line. Built once from one line, never changed afterwards, so it
// may be read from any thread without a lock.
class TLogicalPacket {
public:
    // Parses the line; on failure reports "Could not create LogicalPacket from received
    // string:<line>" as `report` says, then throws the conversion error that stopped it.
    explicit TLogicalPacket(const std::string& line,
                            TBadLineReport report = TBadLineReport::Modal);

    TDateTime TimeStamp() const { return FTimeStamp; }
    const std::array<double, 5>& Values() const { return FValues; }
    double Values(int index) const { return FValues.at(static_cast<std::size_t>(index)); }
    const std::string& Line() const { return FLine; }

private:
    TDateTime FTimeStamp = 0;
    std::array<double, 5> FValues{};
    std::string FLine;
};

std::string BadLineMessage(const std::string& line);
