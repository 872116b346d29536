#pragma once
// Finding the station's archive files under the paths a user names, in recording order.

#include "acquisition/DateTime.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// One archive file: where it is, the stamp its name gives (that of its first line) and its size.
struct TArchiveFile {
    std::string Path;
    TDateTime NameTime = 0;  // 0 when the name is not the archive's "YYYYMMDDHHNNSS[_n].orv"
    std::uint64_t Size = 0;
};

struct TArchiveSearch {
    std::vector<TArchiveFile> Files;  // ordered by NameTime, then path
    std::vector<std::string> Errors;  // paths that could not be searched, each with the reason
    std::uint64_t TotalBytes = 0;
};

// The stamp of an archive file name ("20240105123456.orv", "20240105123456_0.orv"), false for
// any other name.
bool ArchiveNameTime(std::string_view fileName, TDateTime& time);

// Files named explicitly are taken whatever their names (the user said so); folders are searched
// recursively for files with archive names only, so a folder that also holds INTERMAGNET files,
// notes or backups is safe to name. A file reached twice (two overlapping paths) is taken once.
// Days outside [from, to] (whole days, 0 for open ends) are left out by their names.
TArchiveSearch FindArchiveFiles(const std::vector<std::string>& paths, TDateTime fromDay = 0,
                                TDateTime toDay = 0);
