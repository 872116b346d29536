#include "recording/DataFile.h"

#include "acquisition/BasicException.h"
#include "acquisition/RuntimeErrors.h"
#include "recording/DateFormat.h"
#include "recording/SystemMessage.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char Separator = '/';

bool IsDirectory(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Names of the entries of `directory` that are not directories and start with `prefix`.
// A directory that does not exist (or a path through a plain file) holds nothing.
std::set<std::string> TakenNames(const std::string& directory, const std::string& prefix) {
    std::set<std::string> names;
    const std::string path = directory.empty() ? "." : directory;
    std::unique_ptr<DIR, int (*)(DIR*)> listing(::opendir(path.c_str()), ::closedir);
    if (!listing) {
        if (errno == ENOENT || errno == ENOTDIR) return names;
        throw EInOutError(SystemMessage(errno));
    }
    for (;;) {
        errno = 0;  // readdir reports an error only through errno
        const dirent* entry = ::readdir(listing.get());
        if (!entry) {
            if (errno != 0) throw EInOutError(SystemMessage(errno));
            break;
        }
        const std::string name = entry->d_name;
        if (name.compare(0, prefix.size(), prefix) != 0) continue;
        bool directoryEntry = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK)
            directoryEntry = IsDirectory(directory + name);
        // A dangling link counts as taken: opening its name would create the target.
        if (!directoryEntry) names.insert(name);
    }
    return names;
}

// True when `names` holds `base` itself or `base` + "." + any extension.
bool BaseNameTaken(const std::set<std::string>& names, const std::string& base) {
    if (names.count(base)) return true;
    const std::string dotted = base + ".";
    const auto next = names.lower_bound(dotted);
    return next != names.end() && next->compare(0, dotted.size(), dotted) == 0;
}

}  // namespace

void TDataFile::OpenFile() {
    if (FOpened) throw EBasicException::Create("File is already opened", 0, "TDataFile", "OpenFile");
    CreateDirectories();
    FOpenforWrite();
    FOpened = true;
    if (OnOpen) OnOpen(*this, GetFileName());
}

void TDataFile::OpenNewFile(const std::function<std::string()>& makeName) {
    if (FOpened)
        throw EBasicException::Create("File is already opened", 0, "TDataFile", "OpenFile");
    // Claims the name before the file is opened for writing: a name another process claimed
    // first fails with EEXIST, and the next one is free of its file.
    constexpr int Attempts = 100;
    for (int attempt = 1;; ++attempt) {
        SetFileName(makeName());
        CreateDirectories();
        const int handle =
            ::open(GetFileName().c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (handle >= 0) {
            ::close(handle);
            break;
        }
        // Any other failure is met again, and reported, by the open below.
        if (errno != EEXIST) break;
        if (attempt == Attempts)
            throw EBasicException::Create(SystemMessage(EEXIST), 0, "TDataFile", "OpenFile");
    }
    OpenFile();
}

void TDataFile::CreateDirectories() const {
    std::size_t end = 0;
    while (end < FDirectory.size()) {
        const std::size_t separator = FDirectory.find(Separator, end);
        end = separator == std::string::npos ? FDirectory.size() : separator + 1;
        const std::string prefix = FDirectory.substr(0, end);
        if (IsDirectory(prefix)) continue;
        // Another recorder may create the same directory at the same moment: that is success.
        if (::mkdir(prefix.c_str(), 0777) != 0 && !IsDirectory(prefix))
            throw EInOutError("Could not create directory " + prefix);
    }
}

void TDataFile::CloseFile() {
    if (!FOpened)
        throw EBasicException::Create("File is already closed", 0, "TDataFile", "CloseFile");
    try {
        FCloseFile();
    } catch (...) {
        // The handle is gone even when closing failed; staying "open" would fail every later
        // call on the dead handle and the writer could never start a new file.
        FOpened = false;
        throw;
    }
    FOpened = false;
}

std::string TDataFile::GetFileName() const { return FDirectory + FBaseName + "." + FExtension; }

void TDataFile::SetFileName(const std::string& path) {
    const std::size_t separator = path.rfind(Separator);
    const std::size_t nameStart = separator == std::string::npos ? 0 : separator + 1;
    const std::size_t dot = path.rfind('.');
    if (dot != std::string::npos && dot >= nameStart) {
        FBaseName = path.substr(nameStart, dot - nameStart);
        FExtension = path.substr(dot + 1);
    } else {
        FBaseName = path.substr(nameStart);
        FExtension.clear();
    }
    SetDirectory(path.substr(0, nameStart));
}

void TDataFile::SetDirectory(const std::string& directory) {
    FDirectory = directory;
    if (!FDirectory.empty() && FDirectory.back() != Separator) FDirectory += Separator;
}

std::string TDataFile::MakeFileName(const std::string& extension, const std::string& directory,
                                    TDateTime time, const std::string& dateFormat) {
    try {
        std::string dir = directory;
        if (!dir.empty() && dir.back() != Separator) dir += Separator;
        std::string stamp = FormatDateTime(dateFormat, time);
        // A format that holds separators names a file further down the tree.
        if (const std::size_t separator = stamp.rfind(Separator); separator != std::string::npos) {
            dir += stamp.substr(0, separator + 1);
            stamp.erase(0, separator + 1);
        }
        const std::string suffix = "." + extension;
        const std::set<std::string> taken = TakenNames(dir, stamp);
        if (!BaseNameTaken(taken, stamp)) return dir + stamp + suffix;
        for (unsigned n = 0;; ++n) {
            const std::string numbered = stamp + "_" + std::to_string(n);
            if (!BaseNameTaken(taken, numbered)) return dir + numbered + suffix;
        }
    } catch (const std::exception& error) {
        throw EBasicException::CreateFrom(error, 0, "TDataFile", "MakeFileName");
    }
}
