#include "network/PublishPosition.h"

#include <charconv>
#include <sstream>

namespace {

constexpr const char* Header = "orvant3k-position 1";

bool ReadNumber(std::string_view& rest, std::uint64_t& value) {
    const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), value);
    if (error != std::errc() || end == rest.data() || end == rest.data() + rest.size() || *end != ' ')
        return false;
    rest.remove_prefix(static_cast<std::size_t>(end - rest.data()) + 1);
    return true;
}

}  // namespace

std::string FormatPublishPosition(const TPublishPosition& position) {
    std::string text = std::string(Header) + "\n";
    text += "next " + std::to_string(position.Seq) + " " + std::to_string(position.Offset) + " " +
            position.File + "\n";
    if (!position.Numbering.empty()) text += "numbering " + position.Numbering + "\n";
    for (const auto& start : position.Files)
        text += "file " + std::to_string(start.FirstSeq) + " " + start.File + "\n";
    return text;
}

std::optional<TPublishPosition> ParsePublishPosition(const std::string& text) {
    std::istringstream lines(text);
    std::string line;
    if (!std::getline(lines, line) || line != Header) return std::nullopt;
    TPublishPosition position;
    bool next = false;
    while (std::getline(lines, line)) {
        std::string_view rest = line;
        if (rest.rfind("next ", 0) == 0) {
            rest.remove_prefix(5);
            if (!ReadNumber(rest, position.Seq) || !ReadNumber(rest, position.Offset) || rest.empty())
                return std::nullopt;
            position.File = rest;
            next = true;
        } else if (rest.rfind("numbering ", 0) == 0) {
            position.Numbering = rest.substr(10);
        } else if (rest.rfind("file ", 0) == 0) {
            rest.remove_prefix(5);
            TPublishPosition::TFileStart start;
            if (!ReadNumber(rest, start.FirstSeq) || rest.empty()) return std::nullopt;
            start.File = rest;
            position.Files.push_back(std::move(start));
        } else if (!line.empty()) {
            return std::nullopt;
        }
    }
    if (!next) return std::nullopt;
    return position;
}
