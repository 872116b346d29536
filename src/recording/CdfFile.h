#pragma once
// A file in NASA's Common Data Format (CDF, version 3) as ImagCDF uses it: a single file, no
// compression, row-major, values little-endian (IBMPC encoding), scalar zVariables only, and
// global and variable attributes whose entries are texts, doubles or TT2000 times. The file is
// described whole, then its bytes are made in one pass; nothing of the CDF library is needed.

#include <cstdint>
#include <string>
#include <vector>

// The CDF data types the station writes, with the format's own codes.
enum class TCdfType : std::int32_t { Double = 45, TimeTT2000 = 33, Char = 51 };

// One attribute entry: a text, or one or more numbers of one type.
struct TCdfEntry {
    TCdfType Type = TCdfType::Char;
    std::string Text;
    std::vector<double> Doubles;
    std::vector<std::int64_t> Times;

    static TCdfEntry OfText(std::string text);
    static TCdfEntry OfDouble(double value);
    static TCdfEntry OfTime(std::int64_t tt2000);
};

// Thread rule: used by one thread.
class TCdfFile {
public:
    // The date (yyyymmdd) of the last leap second in the table the file's TT2000 times were
    // made with, so that a reader can tell whether its own table covers them.
    void SetLeapSecondTableDate(std::int32_t yyyymmdd) { FLeapSecondTableDate = yyyymmdd; }

    // A global attribute with its entries, numbered 0, 1, ...
    void AddGlobalAttribute(const std::string& name, std::vector<TCdfEntry> entries);

    // A scalar zVariable with one record per value; returns the variable's number.
    int AddDoubleVariable(const std::string& name, std::vector<double> values);
    int AddTimeVariable(const std::string& name, std::vector<std::int64_t> tt2000);

    // The entry of variable attribute `attribute` for variable `variable` (a number returned
    // above). The attribute is made on its first entry.
    void SetVariableAttribute(const std::string& attribute, int variable, TCdfEntry entry);

    // The whole file. ERangeError for a name longer than the format's 256 bytes.
    std::string Bytes() const;

private:
    struct TVariable {
        std::string Name;
        TCdfType Type = TCdfType::Double;
        std::vector<double> Doubles;
        std::vector<std::int64_t> Times;
        std::size_t Records() const { return Type == TCdfType::Double ? Doubles.size() : Times.size(); }
    };
    struct TAttribute {
        std::string Name;
        bool Global = true;
        std::vector<std::pair<int, TCdfEntry>> Entries;  // entry number (variable number) and entry
    };

    TAttribute& VariableAttribute(const std::string& name);

    std::int32_t FLeapSecondTableDate = -1;
    std::vector<TVariable> FVariables;
    std::vector<TAttribute> FAttributes;
};
