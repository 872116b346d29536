// Payloads as any client of the broker may publish them to a collector or a station (a broken
// station, a foreign program, an attacker holding a station's password): whatever the bytes,
// the decoders return nothing or a value that survives its own encoding unchanged, and a
// description either gives the settings of its derived files or names why it cannot.

#include "network/CollectedDerivedFiles.h"
#include "network/Payloads.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string payload(reinterpret_cast<const char*>(data), size);

    if (const auto meta = DecodeMeta(payload)) {
        const auto again = DecodeMeta(EncodeMeta(*meta));
        if (!again || !(*again == *meta)) std::abort();
        std::string problem;
        if (!DerivedSettingsOf(*meta, problem) && problem.empty()) std::abort();
    }
    if (const auto batch = DecodeLinesBatch(payload)) {
        const auto again = DecodeLinesBatch(EncodeLinesBatch(*batch));
        if (!again || again->Seq != batch->Seq || again->Skip != batch->Skip ||
            again->Lines != batch->Lines)
            std::abort();
        if (batch->Skip > 0 && !batch->Lines.empty()) std::abort();
    }
    if (const auto from = DecodeResend(payload)) {
        if (DecodeResend(EncodeResend(*from)) != from) std::abort();
    }
    // A state comes only out of a JSON object's text member.
    if (!DecodeStatus(payload).State.empty() && payload.find('"') == std::string::npos)
        std::abort();
    // A topic names one station (never an empty name) and one kind (empty: none of ours), and
    // neither holds a level separator.
    std::string station, kind;
    if (Topics::Split(payload, "orvant3k/v1", station, kind) &&
        (station.empty() || station.find('/') != std::string::npos ||
         kind.find('/') != std::string::npos))
        std::abort();
    return 0;
}
