#pragma once
// Reads single values of the settings file strictly. A value that cannot be read is recorded
// as a problem at its key and line and the default takes its place, so that one typo costs that
// one setting and never the keys after it.

#include "settings/SettingsProblem.h"

#include <cstdint>
#include <optional>
#include <string>

class TProfileFile;

// The usual words: 1/0 (any integer: non-zero is yes), true/false, yes/no, on/off, in any
// letter case. Nothing for any other text.
std::optional<bool> ParseSettingsBool(const std::string& text);

// Thread rule: used by one thread, for one reading of the file.
class TSettingsReader {
public:
    TSettingsReader(const TProfileFile& file, TSettingsProblems& problems);

    const TProfileFile& File() const { return FFile; }
    std::string String(const char* section, const std::string& key,
                       const std::string& defaultValue) const;
    std::int32_t Integer(const char* section, const std::string& key, std::int32_t defaultValue);
    bool Bool(const char* section, const std::string& key, bool defaultValue);
    // For a yes or no that must never be guessed: the default when the key is missing, nothing
    // when its text cannot be read, and the problem then says what `instead` the station does.
    std::optional<bool> BoolOrNothing(const char* section, const std::string& key,
                                      bool defaultValue, const std::string& instead);
    // Records a problem at the key's line.
    void Report(const std::string& section, const std::string& key, const std::string& text,
                const std::string& instead);

private:
    const TProfileFile& FFile;
    TSettingsProblems& FProblems;
};
