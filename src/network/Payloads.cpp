#include "network/Payloads.h"

#include "network/PeerText.h"
#include "recording/DateFormat.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <ctime>
#include <random>

namespace {

std::string ToText(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString();
}

std::optional<QJsonObject> ParseObject(const std::string& payload) {
    QJsonParseError error{};
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray::fromRawData(payload.data(), qsizetype(payload.size())), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) return std::nullopt;
    return document.object();
}

QString Q(const std::string& text) { return QString::fromStdString(text); }

// A whole number >= 0 of a JSON value (JSON numbers are doubles: exact up to 2^53).
std::optional<std::uint64_t> Count(const QJsonValue& value) {
    if (!value.isDouble()) return std::nullopt;
    const double number = value.toDouble();
    if (number < 0 || number > 9007199254740992.0 || number != static_cast<double>(static_cast<std::uint64_t>(number)))
        return std::nullopt;
    return static_cast<std::uint64_t>(number);
}

}  // namespace

std::string Topics::Of(const std::string& prefix, const std::string& station, const char* kind) {
    return prefix + "/" + station + "/" + kind;
}

bool Topics::Split(const std::string& topic, const std::string& prefix, std::string& station,
                   std::string& kind) {
    if (topic.size() <= prefix.size() + 1 || topic.compare(0, prefix.size(), prefix) != 0 ||
        topic[prefix.size()] != '/')
        return false;
    const std::string rest = topic.substr(prefix.size() + 1);
    const std::size_t slash = rest.find('/');
    if (slash == std::string::npos || slash == 0 || rest.find('/', slash + 1) != std::string::npos)
        return false;
    station = rest.substr(0, slash);
    kind = rest.substr(slash + 1);
    return true;
}

std::string NewNumberingId() {
    std::random_device random;
    static constexpr char Digits[] = "0123456789abcdef";
    std::string id;
    for (int part = 0; part < 4; ++part)
        for (std::uint32_t bits = random(), digit = 0; digit < 4; ++digit, bits >>= 4) id += Digits[bits & 15];
    return id;
}

bool IsNumberingId(const std::string& text) {
    return !text.empty() && text.size() <= 32 &&
           std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
           });
}

std::string EncodeLinesBatch(const TLinesBatch& batch) {
    QJsonObject object{{"seq", double(batch.Seq)}};
    if (!batch.Numbering.empty()) object["numbering"] = Q(batch.Numbering);
    if (batch.Skip > 0) {
        object["skip"] = double(batch.Skip);
    } else {
        QJsonArray lines;
        for (const std::string& line : batch.Lines) lines.append(Q(line));
        object["lines"] = lines;
    }
    return ToText(object);
}

std::optional<TLinesBatch> DecodeLinesBatch(const std::string& payload) {
    const auto object = ParseObject(payload);
    if (!object) return std::nullopt;
    TLinesBatch batch;
    const auto seq = Count(object->value("seq"));
    if (!seq) return std::nullopt;
    batch.Seq = *seq;
    if (object->contains("numbering")) {
        batch.Numbering = object->value("numbering").toString().toStdString();
        if (!IsNumberingId(batch.Numbering)) return std::nullopt;
    }
    if (object->contains("skip")) {
        const auto skip = Count(object->value("skip"));
        if (!skip || *skip == 0) return std::nullopt;
        batch.Skip = *skip;
        return batch;
    }
    const QJsonValue lines = object->value("lines");
    if (!lines.isArray()) return std::nullopt;
    for (const QJsonValue& line : lines.toArray()) {
        if (!line.isString()) return std::nullopt;
        batch.Lines.push_back(line.toString().toStdString());
    }
    return batch;
}

std::string EncodeMeta(const TStationMeta& meta) {
    QJsonArray coefficients;
    for (const std::string& text : meta.Coefficients) coefficients.append(Q(text));
    const QJsonObject intermagnet{{"IDC", Q(meta.IDC)},   {"COMP", Q(meta.COMP)},
                                  {"GIN", Q(meta.GIN)},   {"COLA", Q(meta.COLA)},
                                  {"LONG", Q(meta.LONG)}, {"DECBAS", Q(meta.DECBAS)},
                                  {"interval", meta.Interval}, {"on", meta.Intermagnet}};
    // The keys of the settings file's IAGA2002 section.
    const TIagaHeader& header = meta.Iaga.Header;
    const QJsonObject iaga{{"SecondFiles", meta.Iaga.SecondFiles},
                           {"MinuteFiles", meta.Iaga.MinuteFiles},
                           {"SourceOfData", Q(header.SourceOfData)},
                           {"StationName", Q(header.StationName)},
                           {"Latitude", Q(header.Latitude)},
                           {"Longitude", Q(header.Longitude)},
                           {"Elevation", Q(header.Elevation)},
                           {"Reported", Q(header.Reported)},
                           {"SensorOrientation", Q(header.SensorOrientation)},
                           {"DigitalSampling", Q(header.DigitalSampling)}};
    // The keys of the settings file's ImagCDF section.
    const TImagCdfSettings& cdf = meta.ImagCdf;
    const QJsonObject imagCdf{{"SecondFiles", cdf.SecondFiles},
                              {"MinuteFiles", cdf.MinuteFiles},
                              {"Institution", Q(cdf.Institution)},
                              {"ObservatoryName", Q(cdf.ObservatoryName)},
                              {"Source", Q(cdf.Source)},
                              {"TermsOfUse", Q(cdf.TermsOfUse)},
                              {"PublicationLevel", Q(cdf.PublicationLevel)},
                              {"StandardLevel", Q(cdf.StandardLevel)},
                              {"StandardName", Q(cdf.StandardName)},
                              {"PartialStandDesc", Q(cdf.PartialStandDesc)}};
    QJsonObject object{{"station", Q(meta.Station)},
                       {"intermagnet", intermagnet},
                       {"iaga2002", iaga},
                       {"imagcdf", imagCdf},
                       {"coefficients", coefficients},
                       {"coefficientCount", int(meta.Coefficients.size())}};
    if (!meta.Program.empty()) object["program"] = Q(meta.Program);
    if (meta.FromSeq) object["fromSeq"] = double(*meta.FromSeq);
    return ToText(object);
}

std::optional<TStationMeta> DecodeMeta(const std::string& payload) {
    const auto object = ParseObject(payload);
    if (!object || !object->value("intermagnet").isObject()) return std::nullopt;
    TStationMeta meta;
    meta.Station = object->value("station").toString().toStdString();
    const QJsonObject intermagnet = object->value("intermagnet").toObject();
    meta.IDC = intermagnet.value("IDC").toString().toStdString();
    meta.COMP = intermagnet.value("COMP").toString().toStdString();
    meta.GIN = intermagnet.value("GIN").toString().toStdString();
    meta.COLA = intermagnet.value("COLA").toString().toStdString();
    meta.LONG = intermagnet.value("LONG").toString().toStdString();
    meta.DECBAS = intermagnet.value("DECBAS").toString().toStdString();
    meta.Interval = intermagnet.value("interval").toInt(60);
    meta.Intermagnet = intermagnet.value("on").toBool(true);
    for (const QJsonValue& text : object->value("coefficients").toArray())
        meta.Coefficients.push_back(text.toString().toStdString());
    // Absent (an older station): no IAGA-2002 files; a missing key keeps the settings' default.
    const QJsonObject iaga = object->value("iaga2002").toObject();
    TIagaHeader& header = meta.Iaga.Header;
    const auto text = [&iaga](const char* key, std::string& field) {
        field = iaga.value(key).toString(Q(field)).toStdString();
    };
    meta.Iaga.SecondFiles = iaga.value("SecondFiles").toBool(false);
    meta.Iaga.MinuteFiles = iaga.value("MinuteFiles").toBool(false);
    text("SourceOfData", header.SourceOfData);
    text("StationName", header.StationName);
    text("Latitude", header.Latitude);
    text("Longitude", header.Longitude);
    text("Elevation", header.Elevation);
    text("Reported", header.Reported);
    text("SensorOrientation", header.SensorOrientation);
    text("DigitalSampling", header.DigitalSampling);
    // Absent (an older station): no ImagCDF files.
    const QJsonObject imagCdf = object->value("imagcdf").toObject();
    TImagCdfSettings& cdf = meta.ImagCdf;
    const auto cdfText = [&imagCdf](const char* key, std::string& field) {
        field = imagCdf.value(key).toString(Q(field)).toStdString();
    };
    cdf.SecondFiles = imagCdf.value("SecondFiles").toBool(false);
    cdf.MinuteFiles = imagCdf.value("MinuteFiles").toBool(false);
    cdfText("Institution", cdf.Institution);
    cdfText("ObservatoryName", cdf.ObservatoryName);
    cdfText("Source", cdf.Source);
    cdfText("TermsOfUse", cdf.TermsOfUse);
    cdfText("PublicationLevel", cdf.PublicationLevel);
    cdfText("StandardLevel", cdf.StandardLevel);
    cdfText("StandardName", cdf.StandardName);
    cdfText("PartialStandDesc", cdf.PartialStandDesc);
    meta.Program = object->value("program").toString().toStdString();
    // The texts go into file headers and the log: a line end would forge a header line or a
    // data row, an escape sequence would reach the operator's terminal.
    for (const std::string* field : {&meta.Station, &meta.IDC, &meta.COMP, &meta.GIN, &meta.COLA, &meta.LONG,
                                     &meta.DECBAS, &header.SourceOfData, &header.StationName, &header.Latitude,
                                     &header.Longitude, &header.Elevation, &header.Reported,
                                     &header.SensorOrientation, &header.DigitalSampling, &meta.Program,
                                     &cdf.Institution, &cdf.ObservatoryName, &cdf.Source, &cdf.TermsOfUse,
                                     &cdf.PublicationLevel, &cdf.StandardLevel, &cdf.StandardName,
                                     &cdf.PartialStandDesc})
        if (!HasNoControlCharacter(*field)) return std::nullopt;
    for (const std::string& coefficient : meta.Coefficients)
        if (!HasNoControlCharacter(coefficient)) return std::nullopt;
    if (object->contains("fromSeq")) {
        meta.FromSeq = Count(object->value("fromSeq"));
        if (!meta.FromSeq) return std::nullopt;
    }
    return meta;
}

std::string EncodeStatus(bool online, const std::string& version,
                         const std::optional<TStationProgress>& progress) {
    if (!online) return ToText(QJsonObject{{"state", "offline"}});
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &utc);
    QJsonObject object{{"state", "online"}, {"time", stamp}, {"version", Q(version)}};
    if (progress) {
        object["numbering"] = Q(progress->Numbering);
        object["next"] = double(progress->Next);
        object["oldest"] = double(progress->Oldest);
    }
    return ToText(object);
}

TStationStatus DecodeStatus(const std::string& payload) {
    TStationStatus status;
    const auto object = ParseObject(payload);
    if (!object) return status;
    // Only the states a station sends: anything else a peer puts here never reaches the log.
    const QString state = object->value("state").toString();
    if (state != "online" && state != "offline") return status;
    status.State = state.toStdString();
    const auto next = Count(object->value("next"));
    const auto oldest = Count(object->value("oldest"));
    const std::string numbering = object->value("numbering").toString().toStdString();
    if (next && oldest && *oldest <= *next && IsNumberingId(numbering))
        status.Progress = TStationProgress{numbering, *next, *oldest};
    return status;
}

std::string EncodeMinute(TDateTime time, double x, double y, double z) {
    return ToText(QJsonObject{{"time", Q(FormatDateTime("yyyy-mm-dd", time) + "T" +
                                         FormatDateTime("hh:nn:ss", time))},
                              {"x", x},
                              {"y", y},
                              {"z", z}});
}

std::string EncodeResend(std::uint64_t from) { return ToText(QJsonObject{{"from", double(from)}}); }

std::optional<std::uint64_t> DecodeResend(const std::string& payload) {
    const auto object = ParseObject(payload);
    if (!object) return std::nullopt;
    return Count(object->value("from"));
}
