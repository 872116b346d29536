#include "recording/dialog/FilterFile.h"

#include "acquisition/NumberText.h"
#include "acquisition/ProfileFile.h"
#include "acquisition/RuntimeErrors.h"
#include "app/SettingsKeys.h"

namespace Keys = SettingsKeys::Filter;

TFilterFileContents ReadFilterFile(const std::string& path) {
    TFilterFileContents contents;
    const TProfileFile file(path);
    contents.ReadError = file.ReadError();
    if (!contents.ReadError.empty()) return contents;
    for (int i = 0; file.ValueExists(Keys::Section, Keys::CoefficientKey(i)); ++i) {
        contents.Texts.push_back(file.ReadString(Keys::Section, Keys::CoefficientKey(i), ""));
        contents.Values.push_back(0);
        try {
            contents.Values.back() = StrToFloat(contents.Texts.back());
        } catch (const EConvertError& error) {
            contents.FailedIndex = i;
            contents.ConversionError = error.what();
            break;
        }
    }
    return contents;
}

void WriteFilterFile(const std::string& path, const std::vector<std::string>& texts) {
    TProfileFile file(path);
    TProfileUpdate pass(file);
    for (std::size_t i = 0; i < texts.size(); ++i)
        file.WriteString(Keys::Section, Keys::CoefficientKey(int(i)), texts[i]);
    pass.Commit();
}
