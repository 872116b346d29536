#pragma once

#include <stdexcept>
#include <string>

// The file is not a text file of instrument lines (binary content, a line far longer than any
// instrument line, not a regular file). Raised before any of its data is handed on.
class ENotADataFile : public std::runtime_error {
public:
    // Message: "<path> is not a data file of instrument lines (<reason>)".
    ENotADataFile(const std::string& path, const std::string& reason)
        : std::runtime_error(path + " is not a data file of instrument lines (" + reason + ")") {}
};
