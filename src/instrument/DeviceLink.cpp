#include "instrument/DeviceLink.h"

#include "acquisition/BasicException.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void Fail(const std::string& what, int error) {
    throw EBasicException::Create(what + ": " + std::strerror(error), error, "TDeviceLink",
                                  "Create");
}

bool PointsTo(const std::string& link, const std::string& target) {
    std::string buffer(target.size() + 2, '\0');
    const ssize_t length = readlink(link.c_str(), buffer.data(), buffer.size());
    return length >= 0 && static_cast<std::size_t>(length) == target.size() &&
           buffer.compare(0, target.size(), target) == 0;
}

}  // namespace

TDeviceLink::TDeviceLink(std::string linkPath, std::string target)
    : FPath(std::move(linkPath)), FTarget(std::move(target)) {
    struct stat existing {};
    if (lstat(FPath.c_str(), &existing) == 0 && !S_ISLNK(existing.st_mode))
        Fail("Could not make the link " + FPath + ", something else is there", EEXIST);
    // Made under a temporary name and renamed over the old link, so the name never points
    // nowhere and a stale link is replaced in one step.
    const std::string temporary = FPath + ".new-" + std::to_string(getpid());
    unlink(temporary.c_str());
    if (symlink(FTarget.c_str(), temporary.c_str()) != 0)
        Fail("Could not make the link " + FPath, errno);
    if (rename(temporary.c_str(), FPath.c_str()) != 0) {
        const int error = errno;
        unlink(temporary.c_str());
        Fail("Could not make the link " + FPath, error);
    }
}

TDeviceLink::~TDeviceLink() {
    if (PointsTo(FPath, FTarget)) unlink(FPath.c_str());
}
