#include "network/PeerText.h"

#include <algorithm>

std::string PrintablePeerText(const std::string& text, std::size_t maximum) {
    static constexpr char Digits[] = "0123456789abcdef";
    std::string shown;
    for (std::size_t index = 0; index < text.size() && index < maximum; ++index) {
        const auto byte = static_cast<unsigned char>(text[index]);
        if (byte >= 0x20 && byte < 0x7f && byte != '\\') {
            shown += static_cast<char>(byte);
        } else {
            shown += "\\x";
            shown += Digits[byte >> 4];
            shown += Digits[byte & 15];
        }
    }
    if (text.size() > maximum) shown += "...";
    return shown;
}

bool HasNoControlCharacter(const std::string& text) {
    return std::none_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7f;
    });
}
