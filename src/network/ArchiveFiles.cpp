#include "network/ArchiveFiles.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <filesystem>
#include <fcntl.h>
#include <tuple>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Folder, time stamp and "_n" number (-1 without one) of an archive file's path.
std::tuple<std::string, std::string, long> OrderKey(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (const std::size_t dot = name.rfind('.'); dot != std::string::npos) name.erase(dot);
    long number = -1;
    if (const std::size_t underscore = name.rfind('_'); underscore != std::string::npos) {
        long value = 0;
        const char* first = name.data() + underscore + 1;
        const char* last = name.data() + name.size();
        if (first != last && std::from_chars(first, last, value).ptr == last) {
            number = value;
            name.erase(underscore);
        }
    }
    return {folder, name, number};
}

bool IsNumberName(const std::string& name, std::size_t digits) {
    return name.size() == digits && std::all_of(name.begin(), name.end(), ::isdigit);
}

class TReadHandle {
public:
    explicit TReadHandle(const std::string& file) : FHandle(::open(file.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~TReadHandle() {
        if (FHandle >= 0) ::close(FHandle);
    }
    bool Ok() const { return FHandle >= 0; }
    ssize_t Read(char* buffer, std::size_t size, std::uint64_t offset) const {
        ssize_t got;
        do got = ::pread(FHandle, buffer, size, static_cast<off_t>(offset));
        while (got < 0 && errno == EINTR);
        return got;
    }

private:
    int FHandle;
};

// Calls `take(line)` for each whole line from `offset` on until it returns false or the file
// ends; returns the end offset of the last line taken, or `offset` for none.
template <typename Take>
std::uint64_t ForEachLine(const TReadHandle& file, std::uint64_t offset, Take take) {
    std::string pending;
    std::uint64_t readAt = offset;
    std::uint64_t lineStart = offset;
    char buffer[65536];
    for (;;) {
        const ssize_t got = file.Read(buffer, sizeof buffer, readAt);
        if (got <= 0) return lineStart;
        readAt += static_cast<std::uint64_t>(got);
        pending.append(buffer, static_cast<std::size_t>(got));
        std::size_t from = 0;
        for (std::size_t end; (end = pending.find("\r\n", from)) != std::string::npos;) {
            lineStart += end + 2 - from;
            const bool more = take(std::string_view(pending).substr(from, end - from));
            from = end + 2;
            if (!more) return lineStart;
        }
        pending.erase(0, from);
    }
}

}  // namespace

bool ArchiveOrderLess(const std::string& a, const std::string& b) { return OrderKey(a) < OrderKey(b); }

std::vector<std::string> ListArchiveFiles(const std::string& root) {
    std::vector<std::string> files;
    std::error_code error;
    for (const auto& year : fs::directory_iterator(root, error)) {
        if (!year.is_directory(error) || !IsNumberName(year.path().filename(), 4)) continue;
        for (const auto& month : fs::directory_iterator(year.path(), error)) {
            if (!month.is_directory(error) || !IsNumberName(month.path().filename(), 2)) continue;
            for (const auto& file : fs::directory_iterator(month.path(), error))
                if (file.is_regular_file(error) && file.path().extension() == ".orv")
                    files.push_back(root + "/" + year.path().filename().string() + "/" +
                                    month.path().filename().string() + "/" +
                                    file.path().filename().string());
        }
    }
    std::sort(files.begin(), files.end(), ArchiveOrderLess);
    return files;
}

TLineChunk ReadLinesFrom(const std::string& file, std::uint64_t offset, std::size_t maxLines) {
    TLineChunk chunk;
    chunk.EndOffset = offset;
    const TReadHandle handle(file);
    if (!handle.Ok()) {
        chunk.Missing = true;
        return chunk;
    }
    if (maxLines == 0) return chunk;
    chunk.EndOffset = ForEachLine(handle, offset, [&](std::string_view line) {
        chunk.Lines.emplace_back(line);
        return chunk.Lines.size() < maxLines;
    });
    return chunk;
}

std::uint64_t CountLinesFrom(const std::string& file, std::uint64_t offset, std::uint64_t* endOffset) {
    std::uint64_t count = 0;
    const TReadHandle handle(file);
    std::uint64_t end = offset;
    if (handle.Ok()) end = ForEachLine(handle, offset, [&count](std::string_view) {
        ++count;
        return true;
    });
    if (endOffset) *endOffset = end;
    return count;
}
