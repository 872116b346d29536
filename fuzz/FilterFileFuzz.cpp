// Filter-coefficient files (".filter") as a user may pick them: whatever the content, the
// reader names a failure inside the texts it returns, every text before it is a finite number,
// and nothing is returned with a read error.

#include "FuzzInputFile.h"
#include "acquisition/NumberText.h"
#include "recording/FilterFile.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& name = FuzzInputFileName(".filter");
    if (!WriteFuzzInput(name, data, size)) return 0;
    const TFilterFileContents contents = ReadFilterFile(name);
    if (!contents.ReadError.empty() && !contents.Texts.empty()) std::abort();
    const int count = static_cast<int>(contents.Texts.size());
    if (contents.Failed() && contents.FailedIndex >= count) std::abort();
    const int good = contents.Failed() ? contents.FailedIndex : count;
    for (int i = 0; i < good; ++i) {
        double value = 0;
        if (!TryStrToFloat(contents.Texts[static_cast<std::size_t>(i)], value) ||
            !std::isfinite(value))
            std::abort();
    }
    return 0;
}
