#include "settings/TextCut.h"

namespace {

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

std::string CutToLength(std::string_view text, std::size_t maxLength) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (IsContinuationByte(text[i])) continue;
        if (characters == maxLength) return std::string(text.substr(0, i));
        ++characters;
    }
    return std::string(text);
}
