#include "recording/CdfReader.h"

#include "acquisition/RuntimeErrors.h"

#include <bit>

namespace {

constexpr std::int32_t IbmPcEncoding = 6;
constexpr std::size_t NameBytes = 256;
enum TRecordType : std::int32_t { CDR = 1, GDR = 2, ADR = 4, AgrEDR = 5, VXR = 6, VVR = 7, zVDR = 8, AzEDR = 9 };

[[noreturn]] void Refuse(const std::string& what) { throw EConvertError("not a CDF file the station reads: " + what); }

// Bounds-checked reads: big-endian descriptor fields, little-endian values.
class TBytes {
public:
    explicit TBytes(std::string_view bytes) : FBytes(bytes) {}
    std::size_t Size() const { return FBytes.size(); }

    std::uint64_t Big(std::uint64_t at, int width) const {
        Need(at, static_cast<std::uint64_t>(width));
        std::uint64_t value = 0;
        for (int i = 0; i < width; ++i) value = value << 8 | static_cast<unsigned char>(FBytes[at + i]);
        return value;
    }
    std::int32_t Big32(std::uint64_t at) const { return static_cast<std::int32_t>(Big(at, 4)); }
    std::int64_t Big64(std::uint64_t at) const { return static_cast<std::int64_t>(Big(at, 8)); }
    std::uint64_t Little64(std::uint64_t at) const {
        Need(at, 8);
        std::uint64_t value = 0;
        for (int i = 7; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(FBytes[at + i]);
        return value;
    }
    std::string Text(std::uint64_t at, std::uint64_t length) const {
        Need(at, length);
        return std::string(FBytes.substr(at, length));
    }
    std::string Name(std::uint64_t at) const {
        std::string name = Text(at, NameBytes);
        return name.substr(0, name.find('\0'));
    }

    // The start of the record at `offset`, checked to be of `type` and to lie inside the file;
    // its content starts 12 bytes further on.
    std::uint64_t Record(std::int64_t offset, TRecordType type) const {
        if (offset < 8) Refuse("a record offset points before the first record");
        const std::uint64_t at = static_cast<std::uint64_t>(offset);
        const std::int64_t size = Big64(at);
        if (size < 12 || static_cast<std::uint64_t>(size) > FBytes.size() - at) Refuse("a record's size runs past the end");
        if (Big32(at + 8) != type)
            Refuse("record type " + std::to_string(Big32(at + 8)) + " where " + std::to_string(type) + " was expected");
        return at;
    }
    std::uint64_t RecordEnd(std::uint64_t at) const { return at + static_cast<std::uint64_t>(Big64(at)); }

    void Need(std::uint64_t at, std::uint64_t length) const {
        if (at > FBytes.size() || length > FBytes.size() - at) Refuse("a field runs past the end");
    }

private:
    std::string_view FBytes;
};

// A count the file states, checked against what the file could hold so that no loop runs on.
std::size_t Count(std::int64_t count, std::size_t fileSize, std::size_t bytesEach, const char* what) {
    if (count < 0 || static_cast<std::uint64_t>(count) > fileSize / bytesEach) Refuse(std::string("an impossible ") + what);
    return static_cast<std::size_t>(count);
}

TCdfEntry ReadEntry(const TBytes& bytes, std::uint64_t at) {
    const std::int32_t type = bytes.Big32(at + 24);
    const std::size_t elements = Count(bytes.Big32(at + 32), bytes.Size(), 1, "entry length");
    const std::uint64_t value = at + 56;
    TCdfEntry entry;
    entry.Type = static_cast<TCdfType>(type);
    switch (entry.Type) {
        case TCdfType::Char: entry.Text = bytes.Text(value, elements); break;
        case TCdfType::Double:
            bytes.Need(value, elements * 8);
            for (std::size_t i = 0; i < elements; ++i) entry.Doubles.push_back(std::bit_cast<double>(bytes.Little64(value + 8 * i)));
            break;
        case TCdfType::TimeTT2000:
            bytes.Need(value, elements * 8);
            for (std::size_t i = 0; i < elements; ++i) entry.Times.push_back(static_cast<std::int64_t>(bytes.Little64(value + 8 * i)));
            break;
        default: Refuse("attribute entry of data type " + std::to_string(type));
    }
    if (value + (entry.Type == TCdfType::Char ? elements : elements * 8) > bytes.RecordEnd(at)) Refuse("an entry longer than its record");
    return entry;
}

void ReadRecords(const TBytes& bytes, std::uint64_t vdr, TCdfContents::TVariable& variable) {
    const std::int32_t maxRecord = bytes.Big32(vdr + 24);
    const std::size_t records = Count(static_cast<std::int64_t>(maxRecord) + 1, bytes.Size(), 8, "record count");
    if (variable.Type == TCdfType::Double) variable.Doubles.resize(records); else variable.Times.resize(records);
    std::vector<bool> seen(records, false);
    std::int64_t vxrOffset = bytes.Big64(vdr + 28);
    // Index records chain on; each is visited once at most as many times as the file has room.
    for (std::size_t hops = 0; vxrOffset != 0; ++hops) {
        if (hops > bytes.Size() / 12) Refuse("index records that chain without end");
        const std::uint64_t vxr = bytes.Record(vxrOffset, VXR);
        const std::size_t entries = Count(bytes.Big32(vxr + 20), bytes.Size(), 16, "index size");
        const std::size_t used = Count(bytes.Big32(vxr + 24), entries + 1, 1, "index use");
        for (std::size_t i = 0; i < used; ++i) {
            const std::int32_t first = bytes.Big32(vxr + 28 + 4 * i);
            const std::int32_t last = bytes.Big32(vxr + 28 + 4 * entries + 4 * i);
            const std::int64_t offset = bytes.Big64(vxr + 28 + 8 * entries + 8 * i);
            if (first < 0 || last < first || static_cast<std::size_t>(last) >= records) Refuse("an index entry outside the records");
            const std::uint64_t vvr = bytes.Record(offset, VVR);
            const std::uint64_t count = static_cast<std::uint64_t>(last - first) + 1;
            if (vvr + 12 + count * 8 > bytes.RecordEnd(vvr)) Refuse("a values record shorter than its index says");
            for (std::uint64_t r = 0; r < count; ++r) {
                const std::size_t record = static_cast<std::size_t>(first) + r;
                const std::uint64_t bits = bytes.Little64(vvr + 12 + 8 * r);
                if (variable.Type == TCdfType::Double) variable.Doubles[record] = std::bit_cast<double>(bits);
                else variable.Times[record] = static_cast<std::int64_t>(bits);
                seen[record] = true;
            }
        }
        vxrOffset = bytes.Big64(vxr + 12);
    }
    for (bool present : seen)
        if (!present) Refuse("variable " + variable.Name + " lacks some of its records");
}

}  // namespace

TCdfContents ReadCdf(std::string_view content) {
    const TBytes bytes(content);
    if (bytes.Size() < 8 || bytes.Big(0, 4) != 0xCDF30001 || bytes.Big(4, 4) != 0x0000FFFF)
        Refuse("no uncompressed CDF version 3 magic number");
    const std::uint64_t cdr = bytes.Record(8, CDR);
    if (bytes.Big32(cdr + 28) != IbmPcEncoding) Refuse("values not little-endian (IBMPC encoding)");
    if ((bytes.Big32(cdr + 32) & 0b10) == 0) Refuse("a multi-file CDF");
    const std::uint64_t gdr = bytes.Record(bytes.Big64(cdr + 12), GDR);

    TCdfContents contents;
    if (bytes.Big32(gdr + 44) != 0) Refuse("rVariables");
    contents.LeapSecondTableDate = bytes.Big32(gdr + 76);
    const std::size_t variables = Count(bytes.Big32(gdr + 60), bytes.Size(), 344, "variable count");
    std::int64_t next = bytes.Big64(gdr + 20);
    for (std::size_t number = 0; number < variables; ++number) {
        const std::uint64_t vdr = bytes.Record(next, zVDR);
        TCdfContents::TVariable variable;
        const std::int32_t type = bytes.Big32(vdr + 20);
        if (type != static_cast<std::int32_t>(TCdfType::Double) && type != static_cast<std::int32_t>(TCdfType::TimeTT2000))
            Refuse("variable of data type " + std::to_string(type));
        variable.Type = static_cast<TCdfType>(type);
        if (bytes.Big32(vdr + 64) != 1 || bytes.Big32(vdr + 340) != 0) Refuse("a variable that is not a scalar");
        if (bytes.Big32(vdr + 68) != static_cast<std::int32_t>(number)) Refuse("variables out of their numbers' order");
        variable.Name = bytes.Name(vdr + 84);
        ReadRecords(bytes, vdr, variable);
        contents.Variables.push_back(std::move(variable));
        next = bytes.Big64(vdr + 12);
    }

    const std::size_t attributes = Count(bytes.Big32(gdr + 48), bytes.Size(), 324, "attribute count");
    next = bytes.Big64(gdr + 28);
    for (std::size_t number = 0; number < attributes; ++number) {
        const std::uint64_t adr = bytes.Record(next, ADR);
        const bool global = (bytes.Big32(adr + 28) & 1) != 0;
        const std::string name = bytes.Name(adr + 68);
        const std::size_t entries = Count(bytes.Big32(global ? adr + 36 : adr + 56), bytes.Size(), 56, "entry count");
        std::int64_t entryOffset = bytes.Big64(global ? adr + 20 : adr + 48);
        for (std::size_t i = 0; i < entries; ++i) {
            const std::uint64_t aedr = bytes.Record(entryOffset, global ? AgrEDR : AzEDR);
            const std::int32_t entryNumber = bytes.Big32(aedr + 28);
            TCdfEntry entry = ReadEntry(bytes, aedr);
            if (global) {
                contents.Globals[name].push_back(std::move(entry));
            } else {
                if (entryNumber < 0 || static_cast<std::size_t>(entryNumber) >= contents.Variables.size())
                    Refuse("an attribute entry of a variable that does not exist");
                contents.Variables[static_cast<std::size_t>(entryNumber)].Attributes[name] = std::move(entry);
            }
            entryOffset = bytes.Big64(aedr + 12);
        }
        next = bytes.Big64(adr + 12);
    }
    return contents;
}
