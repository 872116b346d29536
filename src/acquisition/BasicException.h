#pragma once

#include <cstdint>
#include <exception>
#include <stdexcept>
#include <string>

// The error raised by the station's own components (serial port, data files). Besides the
// message it records the raising class and operation, the system error code and the moment.
// Only the message is ever shown to the user.
class EBasicException : public std::runtime_error {
public:
    static EBasicException Create(const std::string& message, std::int32_t errorCode,
                                  const std::string& sourceClass, const std::string& sourceMethod);
    // Re-raises another error under a component's name: only its message is taken.
    static EBasicException CreateFrom(const std::exception& other, std::int32_t errorCode,
                                      const std::string& sourceClass, const std::string& sourceMethod);

    double RaisedAt() const { return FRaisedAt; }
    const std::string& SourceClass() const { return FSourceClass; }
    const std::string& SourceMethod() const { return FSourceMethod; }
    std::int32_t ErrorCode() const { return FErrorCode; }

private:
    EBasicException(const std::string& message, std::int32_t errorCode,
                    const std::string& sourceClass, const std::string& sourceMethod);

    double FRaisedAt;
    std::string FSourceClass;
    std::string FSourceMethod;
    std::int32_t FErrorCode;
};
