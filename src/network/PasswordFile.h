#pragma once

#include <stdexcept>
#include <string>

// A network setting that cannot be used; the message says which and why.
class ENetworkSettingError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The password held by `path`: its first line, without the line end. Refused
// (ENetworkSettingError) when the file cannot be read, or when its group or other users may
// read it: a password others can read is no secret, and a station must not spread it.
std::string ReadPasswordFile(const std::string& path);
