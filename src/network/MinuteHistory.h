#pragma once
// A station's minute values for the overview page: the page asks on the station's `history`
// topic (an MQTT 5 request) for a span, and the collector answers from the station's IAGA-2002
// minute files it writes (see docs/network.md for the payloads).

#include "acquisition/DateTime.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// The most minutes an answer holds: a day, the newest part of a longer span.
inline constexpr std::size_t MaxHistoryMinutes = 1440;
// A request is a few dozen bytes; anything much longer is no request.
inline constexpr std::size_t MaxHistoryRequestPayload = 1024;

struct THistoryRequest {
    TDateTime From = 0;  // UTC, inclusive
    TDateTime To = 0;    // UTC, exclusive
};

// {"from":"2024-01-04T12:36:00","to":"2024-01-05T12:36:00"} (a trailing "Z" allowed); nothing
// when it is not one, or `to` is not after `from`.
std::optional<THistoryRequest> DecodeHistoryRequest(const std::string& payload);

struct TMinuteHistory {
    TDateTime From = 0;  // the first minute of Values
    std::vector<std::optional<std::array<double, 3>>> Values;  // one a minute; none: missing
};

// The minutes of the request (whole minutes from its start, at most MaxHistoryMinutes, the
// newest ones) as the IAGA-2002 minute files below `stationFolder` hold them: the day files
// and the part-day files of each day (IAGA2002/yyyy/mm/<code><yyyymmdd[hhnn]>vmin.min).
TMinuteHistory ReadMinuteHistory(const std::string& stationFolder, const THistoryRequest& request);

// {"from":"...","step":60,"x":[...],"y":[...],"z":[...]} with null for a missing minute.
std::string EncodeHistoryAnswer(const TMinuteHistory& history);
// {"error":"reason"}.
std::string EncodeHistoryError(const std::string& reason);
