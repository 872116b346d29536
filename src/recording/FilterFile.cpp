#include "recording/FilterFile.h"

#include "acquisition/NumberText.h"
#include "acquisition/ProfileFile.h"
#include "acquisition/RuntimeErrors.h"
#include "settings/SettingsKeys.h"

#include <cerrno>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace Keys = SettingsKeys::Filter;

namespace {

// The profile file names itself a settings file in its reason; the caller names the file.
std::string ReasonOnly(const std::string& readError, const std::string& path) {
    const std::string prefix = "Cannot read settings file " + path + ": ";
    return readError.rfind(prefix, 0) == 0 ? readError.substr(prefix.size()) : readError;
}

}  // namespace

TFilterFileContents ReadFilterFile(const std::string& path) {
    TFilterFileContents contents;
    std::error_code error;
    // A profile file reads a missing file as empty; a coefficient file that is gone is an error.
    if (!std::filesystem::exists(path, error)) {
        contents.ReadError = std::generic_category().message(error ? error.value() : ENOENT);
        return contents;
    }
    const TProfileFile file(path);
    if (!file.ReadError().empty()) {
        contents.ReadError = ReasonOnly(file.ReadError(), path);
        return contents;
    }
    for (int i = 0; file.ValueExists(Keys::Section, Keys::CoefficientKey(i)); ++i) {
        contents.Texts.push_back(file.ReadString(Keys::Section, Keys::CoefficientKey(i), ""));
        if (contents.Failed()) continue;
        try {
            StrToFloat(contents.Texts.back());
        } catch (const EConvertError& conversion) {
            contents.FailedIndex = i;
            contents.ConversionError = conversion.what();
        }
    }
    return contents;
}

void WriteFilterFile(const std::string& path, const std::vector<std::string>& texts) {
    std::string text = "[" + std::string(Keys::Section) + "]\n";
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (texts[i].find_first_of("\r\n") != std::string::npos)
            throw std::invalid_argument("A coefficient must be one line");
        text += Keys::CoefficientKey(int(i)) + "=" + texts[i] + "\n";
    }
    if (const int error = ReplaceFileWhole(path, text))
        throw EInOutError(std::generic_category().message(error));
}
