#include "network/PasswordFile.h"

#include "recording/SystemMessage.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::string ReadPasswordFile(const std::string& path) {
    const int handle = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (handle < 0)
        throw ENetworkSettingError("The password file " + path + " cannot be read: " +
                                   SystemMessage(errno));
    struct stat info {};
    std::string content;
    const bool statted = ::fstat(handle, &info) == 0;
    // Others who may write it may put their own password there, or read what was written.
    const mode_t shared = S_IRGRP | S_IROTH | S_IWGRP | S_IWOTH;
    const bool usable = statted && S_ISREG(info.st_mode) && (info.st_mode & shared) == 0;
    if (usable) {
        char buffer[4096];
        ssize_t got = 0;
        while ((got = ::read(handle, buffer, sizeof buffer)) > 0 && content.size() < 65536)
            content.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(handle);
    if (!statted) throw ENetworkSettingError("The password file " + path + " cannot be examined");
    if (S_ISDIR(info.st_mode))
        throw ENetworkSettingError("The password file " + path + " is a folder, not a file");
    if (!S_ISREG(info.st_mode))
        throw ENetworkSettingError("The password file " + path + " is not a plain file");
    if (info.st_mode & (S_IRGRP | S_IROTH))
        throw ENetworkSettingError("The password file " + path +
                                   " may be read by other users; refused (chmod 600 " + path + ")");
    if (info.st_mode & (S_IWGRP | S_IWOTH))
        throw ENetworkSettingError("The password file " + path +
                                   " may be written by other users; refused (chmod 600 " + path + ")");
    const std::size_t end = content.find_first_of("\r\n");
    return end == std::string::npos ? content : content.substr(0, end);
}
