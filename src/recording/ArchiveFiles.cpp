#include "recording/ArchiveFiles.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <set>
#include <system_error>

namespace fs = std::filesystem;

namespace {

bool Digits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int Number(std::string_view digits) {
    int value = 0;
    for (char c : digits) value = value * 10 + (c - '0');
    return value;
}

// Whole days of a file's name, for the --from/--to range.
bool InDays(TDateTime nameTime, TDateTime fromDay, TDateTime toDay) {
    const double day = std::floor(nameTime);
    return (fromDay == 0 || day >= fromDay) && (toDay == 0 || day <= toDay);
}

struct TCollector {
    TDateTime FromDay, ToDay;
    TArchiveSearch Search;
    std::set<fs::path> Seen;

    void Add(const fs::path& path, TDateTime nameTime, std::uint64_t size) {
        std::error_code error;
        fs::path canonical = fs::weakly_canonical(path, error);
        if (error) canonical = path;
        if (!Seen.insert(canonical).second) return;
        if (nameTime != 0 && !InDays(nameTime, FromDay, ToDay)) return;
        Search.Files.push_back({path.string(), nameTime, size});
        Search.TotalBytes += size;
    }

    void Fail(const fs::path& path, const std::error_code& error) {
        Search.Errors.push_back(path.string() + ": " + error.message());
    }

    void SearchFolder(const fs::path& folder) {
        std::error_code error;
        fs::recursive_directory_iterator it(folder, error), end;
        if (error) return Fail(folder, error);
        for (; it != end; it.increment(error)) {
            if (error) {
                Fail(folder, error);
                break;
            }
            std::error_code entryError;
            if (!it->is_regular_file(entryError)) continue;
            TDateTime time;
            if (!ArchiveNameTime(it->path().filename().string(), time)) continue;
            const auto size = it->file_size(entryError);
            if (entryError) {
                Fail(it->path(), entryError);
                continue;
            }
            Add(it->path(), time, size);
        }
    }
};

}  // namespace

bool ArchiveNameTime(std::string_view fileName, TDateTime& time) {
    constexpr std::string_view extension = ".orv";
    if (fileName.size() < 14 + extension.size() ||
        fileName.substr(fileName.size() - extension.size()) != extension)
        return false;
    const std::string_view base = fileName.substr(0, fileName.size() - extension.size());
    const std::string_view stamp = base.substr(0, 14);
    if (!Digits(stamp)) return false;
    if (base.size() > 14 && (base[14] != '_' || !Digits(base.substr(15)))) return false;
    const int year = Number(stamp.substr(0, 4)), month = Number(stamp.substr(4, 2)),
              day = Number(stamp.substr(6, 2)), hour = Number(stamp.substr(8, 2)),
              minute = Number(stamp.substr(10, 2)), second = Number(stamp.substr(12, 2));
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) ||
        hour > 23 || minute > 59 || second > 59)
        return false;
    time = EncodeDateTime(year, month, day, hour, minute, second);
    return true;
}

TArchiveSearch FindArchiveFiles(const std::vector<std::string>& paths, TDateTime fromDay,
                                TDateTime toDay) {
    TCollector collector{fromDay, toDay, {}, {}};
    for (const std::string& name : paths) {
        const fs::path path(name);
        std::error_code error;
        const fs::file_status status = fs::status(path, error);
        if (error) {
            collector.Fail(path, error);
        } else if (fs::is_directory(status)) {
            collector.SearchFolder(path);
        } else {
            TDateTime time = 0;
            ArchiveNameTime(path.filename().string(), time);
            const auto size = fs::file_size(path, error);
            if (error)
                collector.Fail(path, error);
            else
                collector.Add(path, time, size);
        }
    }
    auto& files = collector.Search.Files;
    std::stable_sort(files.begin(), files.end(), [](const TArchiveFile& a, const TArchiveFile& b) {
        if (a.NameTime != b.NameTime) return a.NameTime < b.NameTime;
        return a.Path < b.Path;
    });
    return std::move(collector.Search);
}
