#pragma once
// A fresh directory for one test, removed with everything in it afterwards. With `enter` the
// test runs inside it (the station's trees are relative to the working directory).

#include <filesystem>
#include <map>
#include <string>
#include <vector>

class TTempDir {
public:
    explicit TTempDir(bool enter = false);
    ~TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;

    const std::filesystem::path& Path() const { return FPath; }
    std::string File(const std::string& relative) const { return (FPath / relative).string(); }

private:
    std::filesystem::path FPath;
    std::filesystem::path FPreviousWorkingDir;
};

// The plain files below `root`, sorted by path; none when it does not exist.
std::vector<std::filesystem::path> FilesUnder(const std::filesystem::path& root);
// The station's derived files (the INTERMAGNET/, IAGA2002/ and ImagCDF/ trees, not the ImagCDF
// spools) below `folder`: each file's path under `folder` with its contents.
std::map<std::string, std::string> DerivedFilesUnder(const std::filesystem::path& folder);
// The files' contents one after the other.
std::string ConcatenatedFiles(const std::vector<std::filesystem::path>& files);

// Whole file as bytes; empty when it cannot be read.
std::string ReadWholeFile(const std::filesystem::path& path);
void WriteWholeFile(const std::filesystem::path& path, const std::string& content);
