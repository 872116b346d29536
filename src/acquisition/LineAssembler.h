#pragma once

#include <cstddef>
#include <string>

// Turns the received byte stream into lines: carriage return (13) ends a line, line feed (10)
// and the other control bytes (0..31) are dropped, every other byte (32..255) is one character.
// A run of more than the maximum characters without a carriage return cannot be a valid line:
// it is dropped as it overflows, reported once, and everything up to its carriage return goes
// too, so the next line is judged on its own.
// Thread rule: used by one thread at a time.
class TLineAssembler {
public:
    static constexpr std::size_t DefaultMaximumLength = 4096;

    explicit TLineAssembler(std::size_t maximumLength = DefaultMaximumLength)
        : FMaximumLength(maximumLength) {
        FLine.reserve(128);
    }

    // Calls onLine(const std::string&) for every line ended in these bytes (also an empty one),
    // and onOverflow() once for each run that grows past the maximum.
    template <class OnLine, class OnOverflow>
    void Feed(const char* bytes, std::size_t count, OnLine&& onLine, OnOverflow&& onOverflow) {
        for (std::size_t i = 0; i < count; ++i) {
            const unsigned char byte = static_cast<unsigned char>(bytes[i]);
            if (byte == 13) {
                if (FOverflowed)
                    FOverflowed = false;
                else
                    onLine(static_cast<const std::string&>(FLine));
                FLine.clear();
            } else if (byte >= 32 && !FOverflowed) {
                if (FLine.size() < FMaximumLength) {
                    FLine.push_back(static_cast<char>(byte));
                } else {
                    FOverflowed = true;
                    FLine.clear();
                    onOverflow();
                }
            }
        }
    }

    // Forgets the line being assembled.
    void Clear() {
        FLine.clear();
        FOverflowed = false;
    }
    std::size_t PendingLength() const { return FLine.size(); }

private:
    std::string FLine;
    bool FOverflowed = false;
    std::size_t FMaximumLength;
};
