// Filter-coefficient files (".filter") as a user may pick them: whatever the content, the
// reader returns texts and values of the same length, a failure index inside them, and
// numbers that are finite.

#include "FuzzInputFile.h"
#include "recording/FilterFile.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& name = FuzzInputFileName(".filter");
    if (!WriteFuzzInput(name, data, size)) return 0;
    const TFilterFileContents contents = ReadFilterFile(name);
    if (contents.Texts.size() != contents.Values.size()) std::abort();
    if (contents.Failed() && contents.FailedIndex != static_cast<int>(contents.Texts.size()) - 1)
        std::abort();
    for (double value : contents.Values)
        if (!std::isfinite(value)) std::abort();
    return 0;
}
