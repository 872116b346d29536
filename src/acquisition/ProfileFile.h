#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <vector>

// Where a section header or a key stands in the file, for messages that point the user at it.
struct TProfileEntry {
    std::string Section;
    std::string Key;  // empty for the section's header line
    int Line = 0;     // counted from 1
};

// The station's profile (INI) file: sections of key=value lines, names matched without regard
// to letter case. Reading never fails: a missing file, section or key gives the default.
// Every write goes to disk at once (through a temporary file and a rename, so that a crash
// never leaves a half-written settings file); keys not written keep their lines, comments
// included. A key that already exists keeps its spelling and its place when rewritten; a new
// key is added at the end of its section in the case the program writes it.
//
// Several objects (and processes) may use the same file: outside an update pass every call
// first re-reads the file when it has changed on disk since this object last read or wrote it,
// so that one object's writes never undo another's.
//
// A file that exists but cannot be read (no permission, a folder, binary content) reads as empty
// (ReadError() tells why) and is never written over: every write then raises EInOutError. A
// failing write raises EInOutError naming the file and the system's reason; the file on disk is
// left as it was.
// Thread rule: one object is used by one thread at a time.
class TProfileFile {
public:
    explicit TProfileFile(std::string fileName);
    // Saves writes still pending from an unfinished update pass; errors are swallowed here.
    ~TProfileFile();
    TProfileFile(const TProfileFile&) = delete;
    TProfileFile& operator=(const TProfileFile&) = delete;

    const std::string& FileName() const { return FFileName; }
    // Why the existing file could not be read; empty when it was read (or does not exist).
    const std::string& ReadError() const;

    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& defaultValue) const;
    // Decimal, or hexadecimal after "0x"/"$" (up to 8 hex digits, taken as a 32-bit pattern);
    // a missing key, any other text or a number outside 32 bits gives the default.
    std::int32_t ReadInteger(const std::string& section, const std::string& key,
                             std::int32_t defaultValue) const;
    // Any non-zero integer is true; "True"/"False" in any letter case are read as well,
    // as the window storage writes check-box states that way. Anything else: the default.
    bool ReadBool(const std::string& section, const std::string& key, bool defaultValue) const;

    // Section and key names must be non-empty single lines ("]" is not allowed in a section
    // name, "=" not in a key, and a key must not start with ";", "#" or "["); values must be
    // single lines. Otherwise std::invalid_argument, and nothing is written. Blanks around names
    // and values are dropped, as the file format cannot keep them.
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, std::int32_t value);
    // "1" or "0".
    void WriteBool(const std::string& section, const std::string& key, bool value);

    bool ValueExists(const std::string& section, const std::string& key) const;
    // True when the section header is in the file, even with no keys under it.
    bool SectionExists(const std::string& section) const;
    void DeleteKey(const std::string& section, const std::string& key);
    void EraseSection(const std::string& section);
    // The section's key names in file order; empty for a missing section.
    std::vector<std::string> ReadSection(const std::string& section) const;
    // Every section header and key line of the file as last read or written, in file order,
    // names as written (a repeated key appears at each of its lines).
    std::vector<TProfileEntry> Entries() const;
    // The line of the key whose value is read (the last of a repeated key); 0 when absent.
    int LineOf(const std::string& section, const std::string& key) const;

    // Defers disk writes until the matching EndUpdate (one save for a whole restore or save
    // pass); passes nest. Reads inside a pass see one snapshot of the file. When the final
    // EndUpdate's save fails, the writes stay pending and the next write or EndUpdate retries.
    void BeginUpdate();
    void EndUpdate();

private:
    // Identity of the file on disk as last read or written, to notice changes by others.
    struct TDiskStamp {
        bool Exists = false;
        dev_t Device = 0;
        ino_t Inode = 0;
        off_t Size = 0;
        std::int64_t ModifiedNs = 0;
        std::int64_t StatusChangedNs = 0;  // also moves on chmod, so a file made readable is re-read
        bool operator==(const TDiskStamp&) const = default;
    };

    static TDiskStamp StampOf(const struct stat& info);
    void Load() const;
    void RefreshIfChanged() const;
    void PrepareWrite();
    void Changed();
    void Save();
    std::string Serialize() const;

    std::string FFileName;
    // The parsed file (SimpleIni's case-insensitive document), kept out of this header.
    struct TDocument;
    mutable std::unique_ptr<TDocument> FDocument;
    mutable TDiskStamp FStamp;
    mutable std::string FReadError;
    // Comment lines after the last entry, which the INI parser would otherwise drop.
    mutable std::string FTrailingComment;
    // The text as last read or written, for the lines of entries.
    mutable std::string FText;
    int FUpdateDepth = 0;
    bool FDirty = false;
};

// Ends an update pass when it goes out of scope. Commit() ends it and lets a failing save
// raise; without Commit (an error is on its way) the pass is still ended and whatever was
// written is saved, but a second error from that save is swallowed so the first one wins.
class TProfileUpdate {
public:
    explicit TProfileUpdate(TProfileFile& file);
    ~TProfileUpdate();
    TProfileUpdate(const TProfileUpdate&) = delete;
    TProfileUpdate& operator=(const TProfileUpdate&) = delete;
    void Commit();

private:
    TProfileFile& FFile;
    bool FEnded = false;
};

// Replaces the file (the one a symbolic link points to) by one holding exactly `text`: written
// to a temporary file in the same folder, flushed to disk and renamed over it, so that readers
// see the old file or the new one, never a part. A replaced file keeps its mode. Returns 0, or
// the system's error code with the file left as it was.
int ReplaceFileWhole(const std::string& fileName, const std::string& text);

// Converts a profile-file integer text as ReadInteger does; false for anything else.
bool ParseProfileInteger(const std::string& text, std::int32_t& value);
