#include "acquisition/COMPortSettings.h"

#include "acquisition/ProfileFile.h"
#include "acquisition/RuntimeErrors.h"

#include <limits>
#include <string>
#include <type_traits>

namespace {

namespace Keys = COMPortSettingsKeys;

template <typename TField>
TField Fitted(std::int32_t value, const char* key) {
    // The port index is signed: a COM number below 1 is refused where the port is named.
    if constexpr (std::is_same_v<TField, std::int32_t>) return value;
    if (value < 0 || std::uint64_t(value) > std::numeric_limits<TField>::max())
        throw ERangeError("Range check error: " + std::string(Keys::Section) + "/" + key + "=" +
                          std::to_string(value) + " is outside 0.." +
                          std::to_string(std::uint64_t(std::numeric_limits<TField>::max())));
    return TField(value);
}

// Without `badValue` a text that is no integer reads as the default and a value that does not
// fit raises; with it, both are handed over and the field takes its default.
template <typename TField>
void Read(TField& field, const TProfileFile& file, const char* key, TField defaultValue,
          const TBadPortValue* badValue) {
    if (!badValue) {
        field = Fitted<TField>(file.ReadInteger(Keys::Section, key, std::int32_t(defaultValue)),
                               key);
        return;
    }
    const std::string text = file.ReadString(Keys::Section, key, "");
    std::int32_t value = std::int32_t(defaultValue);
    field = defaultValue;
    if (!text.empty() && !ParseProfileInteger(text, value)) {
        (*badValue)(key, "'" + text + "' is not a valid integer value");
        return;
    }
    try {
        field = Fitted<TField>(value, key);
    } catch (const ERangeError& error) {
        (*badValue)(key, error.what());
    }
}

void Load(TCOMPortSettings& settings, const TProfileFile& file, const TBadPortValue* badValue) {
    const TCOMPortSettings defaults;
    Read(settings.COMPort, file, Keys::COMPort, defaults.COMPort, badValue);
    Read(settings.BaudRate, file, Keys::BaudRate, defaults.BaudRate, badValue);
    Read(settings.StopBits, file, Keys::StopBits, defaults.StopBits, badValue);
    Read(settings.DataBits, file, Keys::DataBits, defaults.DataBits, badValue);
    Read(settings.Parity, file, Keys::Parity, defaults.Parity, badValue);
    Read(settings.ReadInterval, file, Keys::ReadInterval, defaults.ReadInterval, badValue);
    Read(settings.ReadTotalMultiplier, file, Keys::ReadTotalMultiplier,
         defaults.ReadTotalMultiplier, badValue);
    Read(settings.ReadTotalConstant, file, Keys::ReadTotalConstant, defaults.ReadTotalConstant,
         badValue);
    Read(settings.WriteTotalMultiplier, file, Keys::WriteTotalMultiplier,
         defaults.WriteTotalMultiplier, badValue);
    Read(settings.WriteTotalConstant, file, Keys::WriteTotalConstant,
         defaults.WriteTotalConstant, badValue);
    Read(settings.InputBufferSize, file, Keys::InputBufferSize, defaults.InputBufferSize, badValue);
    Read(settings.OutputBufferSize, file, Keys::OutputBufferSize, defaults.OutputBufferSize,
         badValue);
}

void Write(TProfileFile& file, const char* key, std::uint32_t value) {
    if (value > std::uint32_t(std::numeric_limits<std::int32_t>::max()))
        throw ERangeError("Range check error: " + std::string(Keys::Section) + "/" + key + "=" +
                          std::to_string(value) + " is above 2147483647 and cannot be stored");
    file.WriteInteger(Keys::Section, key, std::int32_t(value));
}

}  // namespace

bool operator==(const TCOMPortSettings& a, const TCOMPortSettings& b) {
    return a.COMPort == b.COMPort && a.BaudRate == b.BaudRate && a.StopBits == b.StopBits &&
           a.DataBits == b.DataBits && a.Parity == b.Parity && a.ReadInterval == b.ReadInterval &&
           a.ReadTotalMultiplier == b.ReadTotalMultiplier &&
           a.ReadTotalConstant == b.ReadTotalConstant &&
           a.WriteTotalMultiplier == b.WriteTotalMultiplier &&
           a.WriteTotalConstant == b.WriteTotalConstant && a.InputBufferSize == b.InputBufferSize &&
           a.OutputBufferSize == b.OutputBufferSize;
}

void LoadCOMPortSettings(TCOMPortSettings& settings, const TProfileFile& file) {
    Load(settings, file, nullptr);
}

void LoadCOMPortSettings(TCOMPortSettings& settings, const TProfileFile& file,
                         const TBadPortValue& badValue) {
    Load(settings, file, &badValue);
}

void SaveCOMPortSettings(const TCOMPortSettings& settings, TProfileFile& file) {
    file.WriteInteger(Keys::Section, Keys::COMPort, settings.COMPort);
    Write(file, Keys::BaudRate, settings.BaudRate);
    Write(file, Keys::StopBits, settings.StopBits);
    Write(file, Keys::DataBits, settings.DataBits);
    Write(file, Keys::Parity, settings.Parity);
    Write(file, Keys::ReadInterval, settings.ReadInterval);
    Write(file, Keys::ReadTotalMultiplier, settings.ReadTotalMultiplier);
    Write(file, Keys::ReadTotalConstant, settings.ReadTotalConstant);
    Write(file, Keys::WriteTotalMultiplier, settings.WriteTotalMultiplier);
    Write(file, Keys::WriteTotalConstant, settings.WriteTotalConstant);
    Write(file, Keys::InputBufferSize, settings.InputBufferSize);
    Write(file, Keys::OutputBufferSize, settings.OutputBufferSize);
}
