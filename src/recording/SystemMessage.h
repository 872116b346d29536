#pragma once
// The operating system's reason for an error code, as the data files report I/O failures.

#include <string>

// strerror text of `errorCode` (thread-safe), for example "No space left on device".
std::string SystemMessage(int errorCode);
