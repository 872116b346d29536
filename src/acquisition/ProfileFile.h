#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CSimpleIniA;

// The station's profile (INI) file: sections of key=value lines, names matched without regard
// to letter case. Reading never fails: a missing file, section or key gives the default.
// Every write goes to disk at once (through a temporary file and a rename, so that a crash
// never leaves a half-written settings file); keys not written keep their lines.
// Thread rule: one object is used by one thread at a time.
class TProfileFile {
public:
    explicit TProfileFile(std::string fileName);
    ~TProfileFile();
    TProfileFile(const TProfileFile&) = delete;
    TProfileFile& operator=(const TProfileFile&) = delete;

    const std::string& FileName() const { return FFileName; }

    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& defaultValue) const;
    // Decimal, or hexadecimal after "0x"/"$"; a missing key or any other text gives the default.
    std::int32_t ReadInteger(const std::string& section, const std::string& key,
                             std::int32_t defaultValue) const;
    // Any non-zero integer is true.
    bool ReadBool(const std::string& section, const std::string& key, bool defaultValue) const;

    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, std::int32_t value);
    // "1" or "0".
    void WriteBool(const std::string& section, const std::string& key, bool value);

    bool ValueExists(const std::string& section, const std::string& key) const;
    bool SectionExists(const std::string& section) const;
    void DeleteKey(const std::string& section, const std::string& key);
    void EraseSection(const std::string& section);
    std::vector<std::string> ReadSection(const std::string& section) const;

    // Defers disk writes until EndUpdate (one save for a whole restore or save pass).
    void BeginUpdate();
    void EndUpdate();

private:
    void Changed();
    void Save();

    std::string FFileName;
    std::unique_ptr<CSimpleIniA> FIni;
    int FUpdateDepth = 0;
    bool FDirty = false;
};

// Converts a profile-file integer text as ReadInteger does; false for anything else.
bool ParseProfileInteger(const std::string& text, std::int32_t& value);
