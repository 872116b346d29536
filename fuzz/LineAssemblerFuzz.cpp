// The reader's byte rules against a plain model of them, with the bytes cut into reads of
// arbitrary sizes: the lines and overflow reports must be exactly the model's, whatever the
// cuts. The first two bytes choose the longest line and the read sizes.

#include "acquisition/LineAssembler.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct TOutcome {
    std::vector<std::string> Lines;
    int Overflows = 0;
    bool operator==(const TOutcome&) const = default;
};

// Carriage return ends a line; bytes below 32 are dropped; a run of more than `maximum`
// characters is reported once and dropped up to its carriage return.
TOutcome Model(const std::string& bytes, std::size_t maximum, std::size_t& pending) {
    TOutcome outcome;
    std::string line;
    bool overflowed = false;
    for (unsigned char byte : bytes) {
        if (byte == 13) {
            if (!overflowed) outcome.Lines.push_back(line);
            overflowed = false;
            line.clear();
        } else if (byte >= 32 && !overflowed) {
            line.push_back(static_cast<char>(byte));
            if (line.size() > maximum) {
                overflowed = true;
                ++outcome.Overflows;
                line.clear();
            }
        }
    }
    pending = line.size();
    return outcome;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::size_t maximum = 1 + data[0] % 100;
    const std::size_t readSize = 1 + data[1] % 64;
    const std::string bytes(reinterpret_cast<const char*>(data + 2), size - 2);

    TLineAssembler assembler(maximum);
    TOutcome seen;
    for (std::size_t at = 0; at < bytes.size(); at += readSize) {
        const std::size_t count = std::min(readSize, bytes.size() - at);
        assembler.Feed(
            bytes.data() + at, count, [&](const std::string& line) { seen.Lines.push_back(line); },
            [&] { ++seen.Overflows; });
    }
    std::size_t pending = 0;
    if (!(seen == Model(bytes, maximum, pending))) std::abort();
    if (assembler.PendingLength() != pending) std::abort();
    return 0;
}
