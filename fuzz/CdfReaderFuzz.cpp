// CDF files as the ImagCDF reader meets them: whatever the bytes, it returns contents whose
// variables hold the records their type says, or refuses the file with EConvertError; it never
// reads outside the bytes (AddressSanitizer) or runs on.

#include "acquisition/RuntimeErrors.h"
#include "recording/CdfReader.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const TCdfContents contents = ReadCdf(std::string_view(reinterpret_cast<const char*>(data), size));
        for (const TCdfContents::TVariable& variable : contents.Variables) {
            const bool doubles = variable.Type == TCdfType::Double;
            if (doubles ? !variable.Times.empty() : !variable.Doubles.empty()) std::abort();
        }
    } catch (const EConvertError&) {
    }
    return 0;
}
