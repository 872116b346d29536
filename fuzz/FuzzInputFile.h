#pragma once
// The fuzzed bytes as a file on disk, for readers that take a path: one file per fuzzing
// process, rewritten for every input, in memory (/dev/shm) when the system has it, and removed
// when the process ends.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

inline const std::string& FuzzInputFileName(const char* extension) {
    static const std::string name = [extension] {
        const char* folder = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        return std::string(folder) + "/orvant-fuzz-" + std::to_string(::getpid()) + extension;
    }();
    static const bool removedAtExit = [] {
        std::atexit([] { std::remove(name.c_str()); });
        return true;
    }();
    (void)removedAtExit;
    return name;
}

// False when the file could not be written (the input is then skipped).
inline bool WriteFuzzInput(const std::string& name, const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(name.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}
