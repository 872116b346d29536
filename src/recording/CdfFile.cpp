#include "recording/CdfFile.h"

#include "acquisition/RuntimeErrors.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

// The format's fixed values (CDF internal format, version 3).
constexpr std::uint32_t Magic = 0xCDF30001;
constexpr std::uint32_t MagicUncompressed = 0x0000FFFF;
constexpr std::int32_t Version = 3, Release = 9, Increment = 0;
constexpr std::int32_t IbmPcEncoding = 6;  // little-endian values
constexpr std::int32_t RowMajorSingleFile = 0b11;
constexpr std::int32_t RecordVaries = 0b1;
constexpr std::int32_t GlobalScope = 1, VariableScope = 2;
constexpr std::size_t NameBytes = 256, CopyrightBytes = 256;
constexpr std::int64_t NoOffset = -1;

enum TRecordType : std::int32_t { CDR = 1, GDR = 2, ADR = 4, AgrEDR = 5, VXR = 6, VVR = 7, zVDR = 8, AzEDR = 9 };

// Record headers and descriptors are big-endian whatever the values' encoding; values are
// little-endian (the encoding the file names).
class TByteWriter {
public:
    std::size_t Size() const { return FBytes.size(); }
    std::string Take() { return std::move(FBytes); }

    void Big32(std::int32_t value) { Big(static_cast<std::uint32_t>(value), 4); }
    void Big64(std::int64_t value) { Big(static_cast<std::uint64_t>(value), 8); }
    void Little64(std::uint64_t value) {
        for (int i = 0; i < 8; ++i) FBytes.push_back(static_cast<char>(value >> (8 * i)));
    }
    void LittleDouble(double value) { Little64(std::bit_cast<std::uint64_t>(value)); }
    // Many values at once: on a little-endian machine their bytes are already the file's.
    template <typename T>
    void LittleArray(const std::vector<T>& values) {
        static_assert(sizeof(T) == 8);
        if (values.empty()) return;  // an empty vector's data() may be null, which memcpy must not get
        if constexpr (std::endian::native == std::endian::little) {
            const std::size_t at = FBytes.size();
            FBytes.resize(at + values.size() * 8);
            std::memcpy(FBytes.data() + at, values.data(), values.size() * 8);
        } else {
            for (const T& value : values) Little64(std::bit_cast<std::uint64_t>(value));
        }
    }
    void Reserve(std::size_t bytes) { FBytes.reserve(bytes); }
    void Text(const std::string& text) { FBytes += text; }
    void Padded(const std::string& text, std::size_t bytes) {
        if (text.size() > bytes) throw ERangeError("CDF name longer than " + std::to_string(bytes) + " bytes: " + text);
        FBytes += text;
        FBytes.append(bytes - text.size(), '\0');
    }
    // Overwrites the 8-byte offset field at `at` once the record it points to is placed.
    void Patch64(std::size_t at, std::int64_t value) {
        for (int i = 0; i < 8; ++i) FBytes[at + i] = static_cast<char>(static_cast<std::uint64_t>(value) >> (8 * (7 - i)));
    }
    void Patch64(std::size_t at, std::size_t value) { Patch64(at, static_cast<std::int64_t>(value)); }

    // Starts a record: its size (patched by EndRecord) and type. Returns where it starts.
    std::size_t BeginRecord(TRecordType type) {
        const std::size_t start = Size();
        Big64(0);
        Big32(type);
        return start;
    }
    void EndRecord(std::size_t start) { Patch64(start, Size() - start); }

private:
    void Big(std::uint64_t value, int bytes) {
        for (int i = bytes - 1; i >= 0; --i) FBytes.push_back(static_cast<char>(value >> (8 * i)));
    }
    std::string FBytes;
};

std::int32_t ElementCount(const TCdfEntry& entry) {
    switch (entry.Type) {
        case TCdfType::Char: return static_cast<std::int32_t>(entry.Text.size());
        case TCdfType::Double: return static_cast<std::int32_t>(entry.Doubles.size());
        case TCdfType::TimeTT2000: return static_cast<std::int32_t>(entry.Times.size());
    }
    return 0;
}

void WriteEntryValue(TByteWriter& out, const TCdfEntry& entry) {
    out.Text(entry.Text);
    for (double value : entry.Doubles) out.LittleDouble(value);
    for (std::int64_t time : entry.Times) out.Little64(static_cast<std::uint64_t>(time));
}

}  // namespace

TCdfEntry TCdfEntry::OfText(std::string text) {
    TCdfEntry entry;
    entry.Text = std::move(text);
    return entry;
}

TCdfEntry TCdfEntry::OfDouble(double value) {
    TCdfEntry entry;
    entry.Type = TCdfType::Double;
    entry.Doubles = {value};
    return entry;
}

TCdfEntry TCdfEntry::OfTime(std::int64_t tt2000) {
    TCdfEntry entry;
    entry.Type = TCdfType::TimeTT2000;
    entry.Times = {tt2000};
    return entry;
}

void TCdfFile::AddGlobalAttribute(const std::string& name, std::vector<TCdfEntry> entries) {
    TAttribute attribute{name, true, {}};
    for (std::size_t i = 0; i < entries.size(); ++i)
        attribute.Entries.emplace_back(static_cast<int>(i), std::move(entries[i]));
    FAttributes.push_back(std::move(attribute));
}

int TCdfFile::AddDoubleVariable(const std::string& name, std::vector<double> values) {
    FVariables.push_back({name, TCdfType::Double, std::move(values), {}});
    return static_cast<int>(FVariables.size()) - 1;
}

int TCdfFile::AddTimeVariable(const std::string& name, std::vector<std::int64_t> tt2000) {
    FVariables.push_back({name, TCdfType::TimeTT2000, {}, std::move(tt2000)});
    return static_cast<int>(FVariables.size()) - 1;
}

TCdfFile::TAttribute& TCdfFile::VariableAttribute(const std::string& name) {
    for (TAttribute& attribute : FAttributes)
        if (!attribute.Global && attribute.Name == name) return attribute;
    FAttributes.push_back({name, false, {}});
    return FAttributes.back();
}

void TCdfFile::SetVariableAttribute(const std::string& attribute, int variable, TCdfEntry entry) {
    VariableAttribute(attribute).Entries.emplace_back(variable, std::move(entry));
}

std::string TCdfFile::Bytes() const {
    TByteWriter out;
    std::size_t values = 0;
    for (const TVariable& variable : FVariables) values += variable.Records();
    out.Reserve(64 * 1024 + values * 8);
    out.Big32(static_cast<std::int32_t>(Magic));
    out.Big32(static_cast<std::int32_t>(MagicUncompressed));

    const std::size_t cdr = out.BeginRecord(CDR);
    const std::size_t gdrOffsetField = out.Size();
    out.Big64(0);
    for (std::int32_t field : {Version, Release, IbmPcEncoding, RowMajorSingleFile, 0, 0, Increment, -1, -1})
        out.Big32(field);
    out.Padded("Common Data Format (CDF)\nwritten by orvant3k\n", CopyrightBytes);
    out.EndRecord(cdr);

    const std::size_t gdr = out.BeginRecord(GDR);
    out.Patch64(gdrOffsetField, gdr);
    out.Big64(0);  // rVDRhead: no rVariables
    const std::size_t zVdrHeadField = out.Size();
    out.Big64(0);
    const std::size_t adrHeadField = out.Size();
    out.Big64(0);
    const std::size_t eofField = out.Size();
    out.Big64(0);
    out.Big32(0);  // NrVars
    out.Big32(static_cast<std::int32_t>(FAttributes.size()));
    out.Big32(-1);  // rMaxRec
    out.Big32(0);   // rNumDims
    out.Big32(static_cast<std::int32_t>(FVariables.size()));
    out.Big64(0);  // UIRhead: no unused space
    out.Big32(0);
    out.Big32(FLeapSecondTableDate);
    out.Big32(-1);
    out.EndRecord(gdr);

    // Each descriptor points to the next; the last one's field stays 0.
    std::size_t previousNextField = zVdrHeadField;
    std::vector<std::size_t> vxrHeadFields;
    for (std::size_t number = 0; number < FVariables.size(); ++number) {
        const TVariable& variable = FVariables[number];
        const std::size_t vdr = out.BeginRecord(zVDR);
        out.Patch64(previousNextField, vdr);
        previousNextField = out.Size();
        out.Big64(0);
        out.Big32(static_cast<std::int32_t>(variable.Type));
        out.Big32(static_cast<std::int32_t>(variable.Records()) - 1);  // MaxRec
        vxrHeadFields.push_back(out.Size());
        out.Big64(0);  // VXRhead
        out.Big64(0);  // VXRtail
        for (std::int32_t field : {RecordVaries, 0, 0, -1, -1, 1, static_cast<std::int32_t>(number)})
            out.Big32(field);  // flags, sRecords, rfuB, rfuC, rfuF, NumElems, Num
        out.Big64(NoOffset);   // no compression or sparseness parameters
        out.Big32(0);          // blocking factor
        out.Padded(variable.Name, NameBytes);
        out.Big32(0);  // zNumDims: scalar
        out.EndRecord(vdr);
    }

    previousNextField = adrHeadField;
    for (std::size_t number = 0; number < FAttributes.size(); ++number) {
        const TAttribute& attribute = FAttributes[number];
        int maxEntry = -1;
        for (const auto& [entryNumber, entry] : attribute.Entries) maxEntry = std::max(maxEntry, entryNumber);
        const std::int32_t entryCount = static_cast<std::int32_t>(attribute.Entries.size());

        const std::size_t adr = out.BeginRecord(ADR);
        out.Patch64(previousNextField, adr);
        previousNextField = out.Size();
        out.Big64(0);
        const std::size_t grHeadField = out.Size();
        out.Big64(0);
        out.Big32(attribute.Global ? GlobalScope : VariableScope);
        out.Big32(static_cast<std::int32_t>(number));
        out.Big32(attribute.Global ? entryCount : 0);
        out.Big32(attribute.Global ? maxEntry : -1);
        out.Big32(0);
        const std::size_t zHeadField = out.Size();
        out.Big64(0);
        out.Big32(attribute.Global ? 0 : entryCount);
        out.Big32(attribute.Global ? -1 : maxEntry);
        out.Big32(-1);
        out.Padded(attribute.Name, NameBytes);
        out.EndRecord(adr);

        std::size_t previousEntryField = attribute.Global ? grHeadField : zHeadField;
        for (const auto& [entryNumber, entry] : attribute.Entries) {
            const std::size_t aedr = out.BeginRecord(attribute.Global ? AgrEDR : AzEDR);
            out.Patch64(previousEntryField, aedr);
            previousEntryField = out.Size();
            out.Big64(0);
            out.Big32(static_cast<std::int32_t>(number));
            out.Big32(static_cast<std::int32_t>(entry.Type));
            out.Big32(entryNumber);
            out.Big32(ElementCount(entry));
            for (std::int32_t field : {0, 0, 0, -1, -1}) out.Big32(field);
            WriteEntryValue(out, entry);
            out.EndRecord(aedr);
        }
    }

    // Each variable's records in one values record, found through an index of one entry.
    for (std::size_t number = 0; number < FVariables.size(); ++number) {
        const TVariable& variable = FVariables[number];
        if (variable.Records() == 0) continue;
        const std::size_t vxr = out.BeginRecord(VXR);
        out.Patch64(vxrHeadFields[number], vxr);
        out.Patch64(vxrHeadFields[number] + 8, vxr);
        out.Big64(0);  // no next index
        out.Big32(1);
        out.Big32(1);
        out.Big32(0);
        out.Big32(static_cast<std::int32_t>(variable.Records()) - 1);
        const std::size_t vvrOffsetField = out.Size();
        out.Big64(0);
        out.EndRecord(vxr);

        const std::size_t vvr = out.BeginRecord(VVR);
        out.Patch64(vvrOffsetField, vvr);
        out.LittleArray(variable.Doubles);
        out.LittleArray(variable.Times);
        out.EndRecord(vvr);
    }

    out.Patch64(eofField, out.Size());
    return out.Take();
}
