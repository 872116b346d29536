#include "PseudoTerminal.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

TPseudoTerminal::TPseudoTerminal() {
    termios raw{};
    ::cfmakeraw(&raw);
    char name[128] = {};
    if (::openpty(&FMaster, &FSlave, name, &raw, nullptr) != 0)
        throw std::runtime_error("openpty failed");
    ::fcntl(FMaster, F_SETFD, FD_CLOEXEC);
    ::fcntl(FSlave, F_SETFD, FD_CLOEXEC);
    FSlavePath = name;
}

TPseudoTerminal::~TPseudoTerminal() {
    CloseSlave();
    CloseMaster();
}

void TPseudoTerminal::Write(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(FMaster, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR || errno == EAGAIN) continue;
            throw std::runtime_error("write to the pseudo-terminal failed");
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

std::string TPseudoTerminal::Read(int timeoutMs) {
    std::string received;
    int wait = timeoutMs;
    for (;;) {
        pollfd ready{FMaster, POLLIN, 0};
        if (::poll(&ready, 1, wait) <= 0 || !(ready.revents & POLLIN)) return received;
        char buffer[4096];
        const ssize_t got = ::read(FMaster, buffer, sizeof buffer);
        if (got <= 0) return received;
        received.append(buffer, static_cast<std::size_t>(got));
        wait = 20;
    }
}

void TPseudoTerminal::CloseMaster() {
    if (FMaster >= 0) ::close(FMaster);
    FMaster = -1;
}

void TPseudoTerminal::CloseSlave() {
    if (FSlave >= 0) ::close(FSlave);
    FSlave = -1;
}
