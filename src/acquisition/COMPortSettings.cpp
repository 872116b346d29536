#include "acquisition/COMPortSettings.h"

#include "acquisition/ProfileFile.h"
#include "acquisition/RuntimeErrors.h"

#include <limits>
#include <string>

namespace {

namespace Keys = COMPortSettingsKeys;

template <typename TField>
TField Fitted(std::int32_t value, const char* key) {
    if (value < 0 || std::uint64_t(value) > std::numeric_limits<TField>::max())
        throw ERangeError("Range check error: " + std::string(Keys::Section) + "/" + key + "=" +
                          std::to_string(value) + " is outside 0.." +
                          std::to_string(std::uint64_t(std::numeric_limits<TField>::max())));
    return TField(value);
}

template <typename TField>
void Read(TField& field, const TProfileFile& file, const char* key, TField defaultValue) {
    field = Fitted<TField>(file.ReadInteger(Keys::Section, key, std::int32_t(defaultValue)), key);
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
    const TCOMPortSettings defaults;
    settings.COMPort = file.ReadInteger(Keys::Section, Keys::COMPort, defaults.COMPort);
    Read(settings.BaudRate, file, Keys::BaudRate, defaults.BaudRate);
    Read(settings.StopBits, file, Keys::StopBits, defaults.StopBits);
    Read(settings.DataBits, file, Keys::DataBits, defaults.DataBits);
    Read(settings.Parity, file, Keys::Parity, defaults.Parity);
    Read(settings.ReadInterval, file, Keys::ReadInterval, defaults.ReadInterval);
    Read(settings.ReadTotalMultiplier, file, Keys::ReadTotalMultiplier, defaults.ReadTotalMultiplier);
    Read(settings.ReadTotalConstant, file, Keys::ReadTotalConstant, defaults.ReadTotalConstant);
    Read(settings.WriteTotalMultiplier, file, Keys::WriteTotalMultiplier, defaults.WriteTotalMultiplier);
    Read(settings.WriteTotalConstant, file, Keys::WriteTotalConstant, defaults.WriteTotalConstant);
    Read(settings.InputBufferSize, file, Keys::InputBufferSize, defaults.InputBufferSize);
    Read(settings.OutputBufferSize, file, Keys::OutputBufferSize, defaults.OutputBufferSize);
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
