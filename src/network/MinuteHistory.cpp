#include "network/MinuteHistory.h"

#include "acquisition/NumberText.h"
#include "recording/DateFormat.h"
#include "recording/RecordStamp.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <charconv>
#include <cstdio>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string_view>

namespace fs = std::filesystem;

namespace {

constexpr double MinuteInDays = 60.0 / 86400.0;

// "yyyy-mm-ddThh:nn:ss", optionally with "Z".
std::optional<TDateTime> ParseUtc(std::string_view text) {
    if (!text.empty() && text.back() == 'Z') text.remove_suffix(1);
    if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' ||
        text[16] != ':')
        return std::nullopt;
    int parts[6] = {};
    const std::size_t at[6] = {0, 5, 8, 11, 14, 17}, width[6] = {4, 2, 2, 2, 2, 2};
    for (int i = 0; i < 6; ++i) {
        const char* first = text.data() + at[i];
        const auto [end, error] = std::from_chars(first, first + width[i], parts[i]);
        if (error != std::errc() || end != first + width[i]) return std::nullopt;
    }
    try {
        return EncodeDateTime(parts[0], parts[1], parts[2], parts[3], parts[4], parts[5], 0);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// The minute index of a time on whole minutes counted from 1899-12-30.
std::int64_t MinuteOf(TDateTime time) {
    const TRecordStamp stamp = ToRecordStamp(time);
    return stamp.Day * 1440 + stamp.Seconds / 60;
}

// Reads one IAGA-2002 minute file: every data line whose minute lies in [first, first + count).
void ReadMinuteFile(const fs::path& file, std::int64_t first, TMinuteHistory& history) {
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        if (line.size() < 60 || line[4] != '-' || line[10] != ' ') continue;  // header and comments
        const std::optional<TDateTime> time = ParseUtc(line.substr(0, 10) + "T" + line.substr(11, 8));
        if (!time) continue;
        const std::int64_t index = MinuteOf(*time) - first;
        if (index < 0 || index >= static_cast<std::int64_t>(history.Values.size())) continue;
        std::array<double, 3> values{};
        bool present = true;
        for (int element = 0; element < 3; ++element) {
            double value = 0;
            const std::string field = line.substr(30 + 10 * element, 10);
            const std::size_t start = field.find_first_not_of(' ');
            present = present && start != std::string::npos && TryStrToFloat(field.substr(start), value) &&
                      value < 88888.0 && value > -88888.0;
            values[element] = value;
        }
        if (present) history.Values[static_cast<std::size_t>(index)] = values;
    }
}

QJsonValue Number(const std::optional<std::array<double, 3>>& minute, int element) {
    return minute ? QJsonValue((*minute)[element]) : QJsonValue(QJsonValue::Null);
}

}  // namespace

std::optional<THistoryRequest> DecodeHistoryRequest(const std::string& payload) {
    if (payload.size() > MaxHistoryRequestPayload) return std::nullopt;
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(payload));
    if (!document.isObject()) return std::nullopt;
    const auto from = ParseUtc(document.object().value("from").toString().toStdString());
    const auto to = ParseUtc(document.object().value("to").toString().toStdString());
    if (!from || !to || *to <= *from) return std::nullopt;
    return THistoryRequest{*from, *to};
}

TMinuteHistory ReadMinuteHistory(const std::string& stationFolder, const THistoryRequest& request) {
    // Whole minutes from the first at or after `From`, up to (not including) `To`.
    std::int64_t first = static_cast<std::int64_t>(std::ceil(request.From / MinuteInDays - 1e-6));
    const std::int64_t end = static_cast<std::int64_t>(std::ceil(request.To / MinuteInDays - 1e-6));
    if (end - first > static_cast<std::int64_t>(MaxHistoryMinutes)) first = end - MaxHistoryMinutes;
    TMinuteHistory history;
    history.From = first * MinuteInDays;
    history.Values.resize(static_cast<std::size_t>(std::max<std::int64_t>(0, end - first)));
    for (std::int64_t day = first / 1440; day <= (end - 1) / 1440; ++day) {
        const std::string date = FormatDateTime("yyyymmdd", static_cast<TDateTime>(day));
        const fs::path folder = fs::path(stationFolder) / "IAGA2002" / FormatDateTime("yyyy/mm", static_cast<TDateTime>(day));
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(folder, error)) {
            const std::string name = entry.path().filename().string();
            // <code><yyyymmdd[hhnn]>vmin.min: the code is three characters.
            if (name.size() < 3 + 8 + 8 || name.compare(3, 8, date) != 0 ||
                name.compare(name.size() - 8, 8, "vmin.min") != 0)
                continue;
            ReadMinuteFile(entry.path(), first, history);
        }
    }
    return history;
}

std::string EncodeHistoryAnswer(const TMinuteHistory& history) {
    QJsonArray x, y, z;
    for (const auto& minute : history.Values) {
        x.append(Number(minute, 0));
        y.append(Number(minute, 1));
        z.append(Number(minute, 2));
    }
    // From the minute's number, so that no rounding of the day fraction can move it.
    const std::int64_t minute = static_cast<std::int64_t>(std::llround(history.From / MinuteInDays));
    char clock[16];
    std::snprintf(clock, sizeof clock, "T%02d:%02d:00", static_cast<int>(minute % 1440 / 60),
                  static_cast<int>(minute % 60));
    const std::string from = FormatDateTime("yyyy-mm-dd", static_cast<TDateTime>(minute / 1440)) + clock;
    const QJsonObject answer{{"from", QString::fromStdString(from)},
                             {"step", 60}, {"x", x}, {"y", y}, {"z", z}};
    return QJsonDocument(answer).toJson(QJsonDocument::Compact).toStdString();
}

std::string EncodeHistoryError(const std::string& reason) {
    return QJsonDocument(QJsonObject{{"error", QString::fromStdString(reason)}}).toJson(QJsonDocument::Compact).toStdString();
}
