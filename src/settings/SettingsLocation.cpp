#include "settings/SettingsLocation.h"

#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

fs::path HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home && *home) return home;
    // No HOME (a service, for example): the account's home from the password database.
    std::vector<char> buffer(16384);
    struct passwd entry {};
    struct passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir)
        return found->pw_dir;
    return "/";
}

fs::path ConfigFolder() {
    // XDG base directories: a relative XDG_CONFIG_HOME is to be ignored.
    const char* configured = std::getenv("XDG_CONFIG_HOME");
    if (configured && *configured && fs::path(configured).is_absolute()) return configured;
    return HomeFolder() / ".config";
}

bool FolderIsWritable(const fs::path& folder) {
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

}  // namespace

std::string DefaultSettingsFileName(const std::string& executablePath) {
    fs::path beside = executablePath.empty() ? fs::path("orvant3k") : fs::path(executablePath);
    beside.replace_extension(".ini");
    const fs::path folder = beside.has_parent_path() ? beside.parent_path() : fs::path(".");
    if (!executablePath.empty() && FolderIsWritable(folder)) return beside.string();

    const fs::path configFolder = ConfigFolder() / "orvant3k";
    std::error_code ignored;  // reported by the first write, which names the file and reason
    fs::create_directories(configFolder, ignored);
    return (configFolder / "orvant3k.ini").string();
}

std::string ExecutablePath() {
    std::error_code error;
    const fs::path path = fs::read_symlink("/proc/self/exe", error);
    return error ? std::string() : path.string();
}
