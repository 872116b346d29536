#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class TProfileFile;

// The stored port settings: port index (0 is COM1), indices into the line-setting lists below,
// the five time-outs in milliseconds and the driver buffer sizes. The line settings are only
// stored; the reader always applies "9600,N,8,1", which is what the defaults describe.
struct TCOMPortSettings {
    std::int32_t COMPort = 0;
    std::uint32_t BaudRate = 6;
    std::uint8_t StopBits = 0;
    std::uint8_t DataBits = 4;
    std::uint8_t Parity = 0;
    std::uint32_t ReadInterval = 10;
    std::uint32_t ReadTotalMultiplier = 0;
    std::uint32_t ReadTotalConstant = 100;
    std::uint32_t WriteTotalMultiplier = 0;
    std::uint32_t WriteTotalConstant = 0;
    std::uint32_t InputBufferSize = 1024;
    std::uint32_t OutputBufferSize = 1024;
};

bool operator==(const TCOMPortSettings& a, const TCOMPortSettings& b);

// The texts the stored indices stand for, as the options dialog lists them.
inline constexpr std::array<std::string_view, 15> BaudRateTexts{
    "110",   "300",   "600",   "1200",   "2400",   "4800",   "9600",  "14400",
    "19200", "38400", "56000", "57600", "115200", "128000", "256000"};
inline constexpr std::array<std::string_view, 3> StopBitsTexts{"1", "1.5", "2"};
inline constexpr std::array<std::string_view, 5> DataBitsTexts{"4", "5", "6", "7", "8"};
inline constexpr std::array<std::string_view, 5> ParityTexts{"None", "Odd", "Even", "Mark", "Space"};

// Section and key names of the stored port settings, in the order they are read and written.
// The settings-key header of the program refers to these, so they are named only here.
namespace COMPortSettingsKeys {
inline constexpr const char* Section = "COMPortSettings";
inline constexpr const char* COMPort = "COMPort";
inline constexpr const char* BaudRate = "BaudRate";
inline constexpr const char* StopBits = "StopBits";
inline constexpr const char* DataBits = "DataBits";
inline constexpr const char* Parity = "Parity";
inline constexpr const char* ReadInterval = "ReadInterval";
inline constexpr const char* ReadTotalMultiplier = "ReadTotalMultiplier";
inline constexpr const char* ReadTotalConstant = "ReadTotalConstant";
inline constexpr const char* WriteTotalMultiplier = "WriteTotalMultiplier";
inline constexpr const char* WriteTotalConstant = "WriteTotalConstant";
inline constexpr const char* InputBufferSize = "InputBufferSize";
inline constexpr const char* OutputBufferSize = "OutputBufferSize";
}  // namespace COMPortSettingsKeys

// Reads the twelve keys in order, each with its default from a default-constructed record
// (a missing or non-numeric value gives the default), storing each field before the next key
// is read. A value that does not fit its field (negative for an unsigned 32-bit field, outside
// 0..255 for an 8-bit one) raises ERangeError: the fields before it keep their new values, the
// failing one and those after it keep their old ones.
void LoadCOMPortSettings(TCOMPortSettings& settings, const TProfileFile& file);

// The same, key by key: a value that is not an integer or does not fit its field is handed to
// `badValue` with its key and the reason, and that field alone takes its default.
using TBadPortValue = std::function<void(const char* key, const std::string& reason)>;
void LoadCOMPortSettings(TCOMPortSettings& settings, const TProfileFile& file,
                         const TBadPortValue& badValue);

// Writes the twelve fields as decimal integers in the same order. The file stores signed 32-bit
// integers, so an unsigned value above 2147483647 raises ERangeError at its key (the keys before
// it are written). Write failures raise EInOutError.
void SaveCOMPortSettings(const TCOMPortSettings& settings, TProfileFile& file);
