#include "TempDir.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <algorithm>
#include <unistd.h>

TTempDir::TTempDir(bool enter) {
    std::string pattern = (std::filesystem::temp_directory_path() / "orvant-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    FPath = pattern;
    if (enter) {
        FPreviousWorkingDir = std::filesystem::current_path();
        std::filesystem::current_path(FPath);
    }
}

TTempDir::~TTempDir() {
    std::error_code ignored;
    if (!FPreviousWorkingDir.empty()) std::filesystem::current_path(FPreviousWorkingDir, ignored);
    // Restore write permission first: some tests make folders read-only.
    for (auto it = std::filesystem::recursive_directory_iterator(FPath, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored))
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(FPath, ignored);
}

std::string ReadWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void WriteWholeFile(const std::filesystem::path& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

std::vector<std::filesystem::path> FilesUnder(const std::filesystem::path& root) {
    std::vector<std::filesystem::path> files;
    std::error_code missing;
    for (auto it = std::filesystem::recursive_directory_iterator(root, missing);
         it != std::filesystem::recursive_directory_iterator(); ++it)
        if (it->is_regular_file()) files.push_back(it->path());
    std::sort(files.begin(), files.end());
    return files;
}

std::map<std::string, std::string> DerivedFilesUnder(const std::filesystem::path& folder) {
    std::map<std::string, std::string> files;
    for (const char* tree : {"INTERMAGNET", "IAGA2002", "ImagCDF"})
        for (const auto& file : FilesUnder(folder / tree))
            if (file.extension() != ".spool")
                files[std::filesystem::relative(file, folder).string()] = ReadWholeFile(file);
    return files;
}

std::string ConcatenatedFiles(const std::vector<std::filesystem::path>& files) {
    std::string text;
    for (const auto& file : files) text += ReadWholeFile(file);
    return text;
}
