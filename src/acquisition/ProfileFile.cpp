#include "acquisition/ProfileFile.h"

#include "acquisition/NameCase.h"
#include "acquisition/RuntimeErrors.h"

#ifndef SI_CONVERT_ICU
#define SI_CONVERT_ICU
#endif
#include <SimpleIni.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <string_view>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {

std::string SystemReason(int error) { return std::generic_category().message(error); }

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\n' && text[i] != '\r') continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

bool IsCommentLine(std::string_view line) {
    const std::string_view content = Trimmed(line);
    return !content.empty() && (content.front() == ';' || content.front() == '#');
}

// The comment lines after the file's last entry. The INI parser attaches a comment to the
// entry that follows it, so a comment with nothing after it would be lost on the next save.
std::string TrailingComment(std::string_view text) {
    const std::vector<std::string_view> lines = SplitLines(text);
    std::size_t start = lines.size();
    while (start > 0 && (Trimmed(lines[start - 1]).empty() || IsCommentLine(lines[start - 1])))
        --start;
    if (start == 0) {
        // Comments only: the parser keeps the first block (up to a non-comment line) as the
        // file's heading comment, so only what follows it is ours to keep.
        while (start < lines.size() && IsCommentLine(lines[start]) && !IsBlank(lines[start][0]))
            ++start;
    }
    while (start < lines.size() && Trimmed(lines[start]).empty()) ++start;
    std::size_t end = lines.size();
    while (end > start && Trimmed(lines[end - 1]).empty()) --end;
    std::string result;
    for (std::size_t i = start; i < end; ++i) {
        result.append(lines[i]);
        if (i + 1 < end) result += '\n';
    }
    return result;
}

std::string TrimmedCopy(const std::string& text) { return std::string(Trimmed(text)); }

void CheckName(const std::string& name, const char* what, const char* forbidden) {
    if (name.empty()) throw std::invalid_argument(std::string("Empty ") + what + " name");
    if (name.find_first_of(forbidden) != std::string::npos)
        throw std::invalid_argument(std::string("Invalid ") + what + " name '" + name + "'");
}

void CheckSection(const std::string& section) { CheckName(section, "section", "]\r\n"); }

void CheckKey(const std::string& key) {
    CheckName(key, "key", "=\r\n");
    if (key.front() == ';' || key.front() == '#' || key.front() == '[')
        throw std::invalid_argument("Invalid key name '" + key + "'");
}

void CheckValue(const std::string& key, const std::string& value) {
    if (value.find_first_of("\r\n") != std::string::npos)
        throw std::invalid_argument("The value of '" + key + "' must be a single line");
}

std::int64_t Nanoseconds(const struct timespec& time) {
    return std::int64_t(time.tv_sec) * 1000000000 + time.tv_nsec;
}


// Writes the whole text to `fd`; false with errno set on failure.
bool WriteAll(int fd, const std::string& text) {
    const char* data = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, left);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += written;
        left -= std::size_t(written);
    }
    return true;
}

// Creates a fresh temporary file beside `target`; the mode is that of the file it replaces,
// or the usual mode under the process's umask for a new file.
int CreateTemporary(const std::filesystem::path& target, std::string& temporaryName) {
    static std::atomic<unsigned> counter{0};
    struct stat existing {};
    const bool replaces = ::stat(target.c_str(), &existing) == 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path candidate =
            target.parent_path() / ("." + target.filename().string() + ".tmp-" +
                                    std::to_string(::getpid()) + "-" + std::to_string(counter++));
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            temporaryName = candidate.string();
            if (replaces) ::fchmod(fd, existing.st_mode & 07777);
            return fd;
        }
        if (errno != EEXIST) return -1;
    }
    return -1;
}

}  // namespace

int ReplaceFileWhole(const std::string& fileName, const std::string& text) {
    namespace fs = std::filesystem;
    // Replace the file a symbolic link points to, not the link itself.
    std::error_code ignored;
    fs::path target = fileName;
    if (fs::is_symlink(target, ignored)) {
        std::error_code error;
        const fs::path resolved = fs::weakly_canonical(target, error);
        if (!error) target = resolved;
    }
    if (target.parent_path().empty()) target = fs::path(".") / target;

    std::string temporary;
    const int fd = CreateTemporary(target, temporary);
    if (fd < 0) return errno;
    const auto fail = [&temporary](int error) {
        ::unlink(temporary.c_str());
        return error;
    };
    if (!WriteAll(fd, text) || ::fsync(fd) != 0) {
        const int error = errno;
        ::close(fd);
        return fail(error);
    }
    if (::close(fd) != 0) return fail(errno);
    if (::rename(temporary.c_str(), target.c_str()) != 0) return fail(errno);
    // Make the rename itself durable; a failure here loses nothing already written.
    const int directory = ::open(target.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directory >= 0) {
        ::fsync(directory);
        ::close(directory);
    }
    return 0;
}

TProfileFile::TDiskStamp TProfileFile::StampOf(const struct stat& info) {
    return {true, info.st_dev, info.st_ino, info.st_size, Nanoseconds(info.st_mtim),
            Nanoseconds(info.st_ctim)};
}

struct TProfileFile::TDocument {
    // Case-insensitive names, one value per key, single-line values, "key=value" on save.
    CSimpleIniA Ini{/*utf8*/ false, /*multiKey*/ false, /*multiLine*/ false};
    TDocument() {
        Ini.SetSpaces(false);
        Ini.SetQuotes(false);
    }
};

bool ParseProfileInteger(const std::string& text, std::int32_t& value) {
    std::string_view rest = Trimmed(text);
    bool negative = false;
    if (!rest.empty() && (rest.front() == '+' || rest.front() == '-')) {
        negative = rest.front() == '-';
        rest.remove_prefix(1);
    }
    int base = 10;
    if (rest.size() > 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) {
        base = 16;
        rest.remove_prefix(2);
    } else if (rest.size() > 1 && rest[0] == '$') {
        base = 16;
        rest.remove_prefix(1);
    }
    // from_chars would accept a second sign; only digits may follow here.
    if (rest.empty() || rest.front() == '-' || rest.front() == '+') return false;
    std::uint64_t magnitude = 0;
    const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), magnitude, base);
    if (error != std::errc() || end != rest.data() + rest.size()) return false;
    if (base == 16) {
        // Hexadecimal is a 32-bit pattern: 0xFFFFFFFF is -1.
        if (magnitude > 0xFFFFFFFFull) return false;
        const std::uint32_t pattern = std::uint32_t(magnitude);
        value = std::int32_t(negative ? 0u - pattern : pattern);
        return true;
    }
    const std::int64_t signedValue = negative ? -std::int64_t(magnitude) : std::int64_t(magnitude);
    if (magnitude > 2147483648ull || signedValue > INT32_MAX || signedValue < INT32_MIN) return false;
    value = std::int32_t(signedValue);
    return true;
}

TProfileFile::TProfileFile(std::string fileName) : FFileName(std::move(fileName)) { Load(); }

TProfileFile::~TProfileFile() {
    if (!FDirty) return;
    try {
        Save();
    } catch (...) {
        // A destructor must not raise; the failed pass already reported its own error.
    }
}

const std::string& TProfileFile::ReadError() const {
    RefreshIfChanged();
    return FReadError;
}

void TProfileFile::Load() const {
    FDocument = std::make_unique<TDocument>();
    FReadError.clear();
    FTrailingComment.clear();
    FText.clear();
    FStamp = TDiskStamp{};

    const int fd = ::open(FFileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR) return;  // a missing file reads as empty
        struct stat info {};
        if (::stat(FFileName.c_str(), &info) == 0)
            FStamp = StampOf(info);
        FReadError = "Cannot read settings file " + FFileName + ": " + SystemReason(error);
        return;
    }
    struct stat info {};
    ::fstat(fd, &info);
    FStamp = StampOf(info);
    std::string text;
    char buffer[16384];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            FReadError = "Cannot read settings file " + FFileName + ": " + SystemReason(errno);
            ::close(fd);
            return;
        }
        if (got == 0) break;
        text.append(buffer, std::size_t(got));
    }
    ::close(fd);
    // The parser takes almost any bytes as lines; a NUL never stands in a text file, so a file
    // holding one is some other file put in the wrong place, not settings with odd values.
    if (text.find('\0') != std::string::npos || FDocument->Ini.LoadData(text) < 0) {
        FDocument = std::make_unique<TDocument>();
        FReadError = "Cannot read settings file " + FFileName + ": not a profile file";
        return;
    }
    FTrailingComment = TrailingComment(text);
    FText = std::move(text);
}

void TProfileFile::RefreshIfChanged() const {
    // Inside a pass, or with writes not yet saved, this object's view is the one that counts.
    if (FUpdateDepth > 0 || FDirty) return;
    struct stat info {};
    TDiskStamp now;
    if (::stat(FFileName.c_str(), &info) == 0)
        now = StampOf(info);
    if (!(now == FStamp)) Load();
}

void TProfileFile::PrepareWrite() {
    RefreshIfChanged();
    if (!FReadError.empty())
        throw EInOutError(FReadError + " (not written, so that its contents are not lost)");
}

void TProfileFile::Changed() {
    FDirty = true;
    if (FUpdateDepth == 0) Save();
}

std::string TProfileFile::Serialize() const {
    std::string text;
    if (FDocument->Ini.Save(text, /*addSignature*/ FDocument->Ini.IsUnicode()) < 0)
        throw EInOutError("Cannot write settings file " + FFileName + ": out of memory");
    // The writer puts two blank lines between sections; one is the file's usual look.
    std::string compact;
    compact.reserve(text.size());
    for (const char c : text) {
        if (c == '\n' && compact.size() >= 2 && compact.ends_with("\n\n")) continue;
        compact += c;
    }
    text = std::move(compact);
    if (!FTrailingComment.empty()) {
        if (!text.empty()) text += '\n';
        text += FTrailingComment;
        text += '\n';
    }
    return text;
}

void TProfileFile::Save() {
    if (FFileName.empty()) throw EInOutError("Cannot write settings file: no file name given");
    std::string text = Serialize();
    if (const int error = ReplaceFileWhole(FFileName, text))
        throw EInOutError("Cannot write settings file " + FFileName + ": " + SystemReason(error));
    FText = std::move(text);
    FDirty = false;
    FReadError.clear();
    struct stat info {};
    if (::stat(FFileName.c_str(), &info) == 0)
        FStamp = StampOf(info);
}

std::string TProfileFile::ReadString(const std::string& section, const std::string& key,
                                     const std::string& defaultValue) const {
    RefreshIfChanged();
    const char* value = FDocument->Ini.GetValue(section.c_str(), key.c_str(), nullptr);
    return value ? std::string(value) : defaultValue;
}

std::int32_t TProfileFile::ReadInteger(const std::string& section, const std::string& key,
                                       std::int32_t defaultValue) const {
    RefreshIfChanged();
    const char* text = FDocument->Ini.GetValue(section.c_str(), key.c_str(), nullptr);
    std::int32_t value = 0;
    return text && ParseProfileInteger(text, value) ? value : defaultValue;
}

bool TProfileFile::ReadBool(const std::string& section, const std::string& key,
                            bool defaultValue) const {
    RefreshIfChanged();
    const char* text = FDocument->Ini.GetValue(section.c_str(), key.c_str(), nullptr);
    if (!text) return defaultValue;
    std::int32_t value = 0;
    if (ParseProfileInteger(text, value)) return value != 0;
    const std::string_view word = Trimmed(text);
    if (SameNameIgnoringCase(word, "true")) return true;
    if (SameNameIgnoringCase(word, "false")) return false;
    return defaultValue;
}

void TProfileFile::WriteString(const std::string& sectionName, const std::string& keyName,
                               const std::string& valueText) {
    const std::string section = TrimmedCopy(sectionName);
    const std::string key = TrimmedCopy(keyName);
    const std::string value = TrimmedCopy(valueText);
    CheckSection(section);
    CheckKey(key);
    CheckValue(key, value);
    PrepareWrite();
    // The object's view is current with the disk here, so an unchanged value is already there.
    const char* current = FDocument->Ini.GetValue(section.c_str(), key.c_str(), nullptr);
    if (current && value == current) return;
    if (FDocument->Ini.SetValue(section.c_str(), key.c_str(), value.c_str()) < 0)
        throw EInOutError("Cannot write settings file " + FFileName + ": out of memory");
    Changed();
}

void TProfileFile::WriteInteger(const std::string& section, const std::string& key,
                                std::int32_t value) {
    WriteString(section, key, std::to_string(value));
}

void TProfileFile::WriteBool(const std::string& section, const std::string& key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

bool TProfileFile::ValueExists(const std::string& section, const std::string& key) const {
    RefreshIfChanged();
    return FDocument->Ini.GetValue(section.c_str(), key.c_str(), nullptr) != nullptr;
}

bool TProfileFile::SectionExists(const std::string& section) const {
    RefreshIfChanged();
    return FDocument->Ini.GetSection(section.c_str()) != nullptr;
}

void TProfileFile::DeleteKey(const std::string& section, const std::string& key) {
    PrepareWrite();
    if (FDocument->Ini.Delete(section.c_str(), key.c_str(), /*removeEmptySection*/ false)) Changed();
}

void TProfileFile::EraseSection(const std::string& section) {
    PrepareWrite();
    if (FDocument->Ini.Delete(section.c_str(), nullptr)) Changed();
}

std::vector<std::string> TProfileFile::ReadSection(const std::string& section) const {
    RefreshIfChanged();
    CSimpleIniA::TNamesDepend keys;
    FDocument->Ini.GetAllKeys(section.c_str(), keys);
    keys.sort(CSimpleIniA::Entry::LoadOrder());
    std::vector<std::string> names;
    for (const auto& key : keys) names.emplace_back(key.pItem);
    return names;
}

std::vector<TProfileEntry> TProfileFile::Entries() const {
    RefreshIfChanged();
    std::vector<TProfileEntry> entries;
    std::string section;
    const std::vector<std::string_view> lines = SplitLines(FText);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view content = Trimmed(lines[i]);
        if (content.empty() || IsCommentLine(content)) continue;
        const int line = int(i + 1);
        if (content.front() == '[') {
            const std::size_t close = content.find(']');
            section = std::string(Trimmed(content.substr(1, close == std::string_view::npos
                                                                 ? std::string_view::npos
                                                                 : close - 1)));
            entries.push_back({section, "", line});
            continue;
        }
        const std::size_t equals = content.find('=');
        if (equals == std::string_view::npos) continue;
        entries.push_back({section, std::string(Trimmed(content.substr(0, equals))), line});
    }
    return entries;
}

int TProfileFile::LineOf(const std::string& section, const std::string& key) const {
    int line = 0;
    for (const TProfileEntry& entry : Entries())
        if (!entry.Key.empty() && SameNameIgnoringCase(entry.Section, section) &&
            SameNameIgnoringCase(entry.Key, key))
            line = entry.Line;
    return line;
}

void TProfileFile::BeginUpdate() {
    if (FUpdateDepth == 0) RefreshIfChanged();
    ++FUpdateDepth;
}

void TProfileFile::EndUpdate() {
    if (FUpdateDepth == 0) return;
    if (--FUpdateDepth == 0 && FDirty) Save();
}

TProfileUpdate::TProfileUpdate(TProfileFile& file) : FFile(file) { FFile.BeginUpdate(); }

TProfileUpdate::~TProfileUpdate() {
    if (FEnded) return;
    try {
        FFile.EndUpdate();
    } catch (...) {
        // Only reached while another error is on its way out; that one is reported.
    }
}

void TProfileUpdate::Commit() {
    if (FEnded) return;
    FEnded = true;
    FFile.EndUpdate();
}
