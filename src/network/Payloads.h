#pragma once
// The topics and payloads of a station network. Every payload is a small JSON object, so that
// `mosquitto_sub -v -t 'orvant3k/v1/#'` shows readable text:
//
//   <prefix>/<station>/status  retained  {"state":"online","time":"...Z","version":"0.1.0",
//                                         "numbering":"...","next":N,"oldest":M}
//                                        (the broker's last will: {"state":"offline"})
//   <prefix>/<station>/meta    retained  header texts of both file formats, interval, filter
//                                        coefficients, the line the run starts at
//   <prefix>/<station>/lines   QoS 1     {"seq":N,"lines":["2024 05 01 ...", ...],"numbering":"..."}
//                                        or {"seq":N,"skip":K}: lines N .. N+K-1 are gone
//   <prefix>/<station>/minute  QoS 1     {"time":"2024-05-01T00:01:00","x":..,"y":..,"z":..}
//   <prefix>/<station>/resend  QoS 1     {"from":N}: a collector asks for lines N on

#include "acquisition/DateTime.h"
#include "settings/IagaSettings.h"
#include "settings/ImagCdfSettings.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace Topics {
inline constexpr const char* Status = "status";
inline constexpr const char* Meta = "meta";
inline constexpr const char* Lines = "lines";
inline constexpr const char* Minute = "minute";
inline constexpr const char* Resend = "resend";
inline constexpr const char* History = "history";
// "<prefix>/<station>/<kind>".
std::string Of(const std::string& prefix, const std::string& station, const char* kind);
// Splits a topic below `prefix` into station and kind; false when it is not one of ours.
bool Split(const std::string& topic, const std::string& prefix, std::string& station,
           std::string& kind);
}  // namespace Topics

// A run of archive lines, or a notice that lines are no longer available.
struct TLinesBatch {
    std::uint64_t Seq = 0;  // sequence number of the first line
    std::vector<std::string> Lines;
    std::uint64_t Skip = 0;  // > 0: a notice that Skip lines from Seq on are gone (no Lines)
    // The numbering Seq belongs to; empty from a station of an earlier version.
    std::string Numbering;
};

// A numbering's identity: chosen when a station starts numbering its lines (at 0), so that a
// collector can tell a station that numbers again from one repeating old lines.
std::string NewNumberingId();
// 1 to 32 letters and digits.
bool IsNumberingId(const std::string& text);

std::string EncodeLinesBatch(const TLinesBatch& batch);
// Empty when the payload is not a batch.
std::optional<TLinesBatch> DecodeLinesBatch(const std::string& payload);

// The station's description: what a collector needs to write the station's files. A
// description without the IAGA-2002 part (an older station) asks for no IAGA-2002 files.
struct TStationMeta {
    std::string Station;
    std::string IDC, COMP, GIN, COLA, LONG, DECBAS;
    int Interval = 60;          // seconds between INTERMAGNET records
    bool Intermagnet = true;    // the station writes INTERMAGNET files
    // The filter's coefficients, each a text that reads back to the run's value exactly.
    std::vector<std::string> Coefficients;
    TIagaSettings Iaga;         // which IAGA-2002 files, and their header texts
    TImagCdfSettings ImagCdf;   // which ImagCDF files, and their texts; none from an older station
    std::string Program;        // the recording program, as its files name it; empty: unknown
    // The sequence number of the first line recorded with this description (the run's first
    // line); none from an older station.
    std::optional<std::uint64_t> FromSeq;

    bool operator==(const TStationMeta&) const = default;
};

std::string EncodeMeta(const TStationMeta& meta);
std::optional<TStationMeta> DecodeMeta(const std::string& payload);

// How far a station's numbering goes, as its status tells it at every connection.
struct TStationProgress {
    std::string Numbering;
    std::uint64_t Next = 0;    // the sequence number of the next line it will record
    std::uint64_t Oldest = 0;  // the oldest line it can still send
};

// "online" with the time (UTC), the program's version and, when given, the progress; or
// "offline".
std::string EncodeStatus(bool online, const std::string& version,
                         const std::optional<TStationProgress>& progress = std::nullopt);
struct TStationStatus {
    std::string State;  // "online", "offline"; empty when the payload is not a status
    std::optional<TStationProgress> Progress;  // none from a station of an earlier version
};
TStationStatus DecodeStatus(const std::string& payload);

std::string EncodeMinute(TDateTime time, double x, double y, double z);

std::string EncodeResend(std::uint64_t from);
std::optional<std::uint64_t> DecodeResend(const std::string& payload);
