#pragma once
// A symbolic link with a fixed name to a device whose name changes from run to run (a new
// pseudo-terminal each time), so that settings and scripts can name the link.

#include <string>

// Thread rule: created and destroyed by one thread.
class TDeviceLink {
public:
    // Makes `linkPath` point to `target`, replacing a symbolic link left there (a stale one from
    // an earlier run) but never a file or folder. EBasicException (class "TDeviceLink",
    // operation "Create") with errno on failure.
    TDeviceLink(std::string linkPath, std::string target);
    // Removes the link unless it was meanwhile pointed elsewhere (by a later run).
    ~TDeviceLink();
    TDeviceLink(const TDeviceLink&) = delete;
    TDeviceLink& operator=(const TDeviceLink&) = delete;

    const std::string& Path() const { return FPath; }

private:
    std::string FPath;
    std::string FTarget;
};
