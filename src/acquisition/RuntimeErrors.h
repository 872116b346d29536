#pragma once
// The platform's run-time error kinds that the station's components raise or pass on.
// Each carries only its message; EBasicException (BasicException.h) adds the component's names.

#include <stdexcept>
#include <string>

// A text could not be converted to a number or a date/time.
class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A value does not fit the field or range it is stored in.
class ERangeError : public std::runtime_error {
public:
    ERangeError() : std::runtime_error("Range check error") {}
    using std::runtime_error::runtime_error;
};

// A file operation failed; the message is the system's reason.
class EInOutError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A program's arguments cannot be used; the message says which and why (exit status 2).
class EUsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
