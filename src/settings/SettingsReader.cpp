#include "settings/SettingsReader.h"

#include "acquisition/NameCase.h"
#include "acquisition/ProfileFile.h"

#include <string_view>

namespace {

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

std::string NotABoolText(const std::string& text) {
    return "'" + text + "' is not a yes or no (1/0, true/false, yes/no, on/off)";
}

}  // namespace

std::optional<bool> ParseSettingsBool(const std::string& text) {
    std::int32_t number = 0;
    if (ParseProfileInteger(text, number)) return number != 0;
    const std::string_view word = Trimmed(text);
    for (const char* yes : {"true", "yes", "on"})
        if (SameNameIgnoringCase(word, yes)) return true;
    for (const char* no : {"false", "no", "off"})
        if (SameNameIgnoringCase(word, no)) return false;
    return std::nullopt;
}

TSettingsReader::TSettingsReader(const TProfileFile& file, TSettingsProblems& problems)
    : FFile(file), FProblems(problems) {}

std::string TSettingsReader::String(const char* section, const std::string& key,
                                    const std::string& defaultValue) const {
    return FFile.ReadString(section, key, defaultValue);
}

std::int32_t TSettingsReader::Integer(const char* section, const std::string& key,
                                      std::int32_t defaultValue) {
    const std::string text = FFile.ReadString(section, key, "");
    if (text.empty()) return defaultValue;  // "Key=" is a key not set
    std::int32_t value = 0;
    if (ParseProfileInteger(text, value)) return value;
    Report(section, key, "'" + text + "' is not a valid integer value",
           "the default " + std::to_string(defaultValue) + " is used");
    return defaultValue;
}

bool TSettingsReader::Bool(const char* section, const std::string& key, bool defaultValue) {
    return BoolOrNothing(section, key, defaultValue,
                         std::string("the default ") + (defaultValue ? "1" : "0") + " is used")
        .value_or(defaultValue);
}

std::optional<bool> TSettingsReader::BoolOrNothing(const char* section, const std::string& key,
                                                   bool defaultValue, const std::string& instead) {
    const std::string text = FFile.ReadString(section, key, "");
    if (text.empty()) return defaultValue;  // "Key=" is a key not set
    const std::optional<bool> value = ParseSettingsBool(text);
    if (!value) Report(section, key, NotABoolText(text), instead);
    return value;
}

void TSettingsReader::Report(const std::string& section, const std::string& key,
                             const std::string& text, const std::string& instead) {
    FProblems.push_back({section, key, FFile.LineOf(section, key), text, instead});
}
