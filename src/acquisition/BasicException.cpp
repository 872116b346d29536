#include "acquisition/BasicException.h"

#include "acquisition/DateTime.h"

EBasicException::EBasicException(const std::string& message, std::int32_t errorCode,
                                 const std::string& sourceClass, const std::string& sourceMethod)
    : std::runtime_error(message),
      FRaisedAt(NowLocal()),
      FSourceClass(sourceClass),
      FSourceMethod(sourceMethod),
      FErrorCode(errorCode) {}

EBasicException EBasicException::Create(const std::string& message, std::int32_t errorCode,
                                        const std::string& sourceClass,
                                        const std::string& sourceMethod) {
    return EBasicException(message, errorCode, sourceClass, sourceMethod);
}

EBasicException EBasicException::CreateFrom(const std::exception& other, std::int32_t errorCode,
                                            const std::string& sourceClass,
                                            const std::string& sourceMethod) {
    return EBasicException(other.what(), errorCode, sourceClass, sourceMethod);
}
