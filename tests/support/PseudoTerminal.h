#pragma once
// A real pseudo-terminal for tests: the station opens the slave side by its path, as it would
// open a serial device, and the test plays the instrument on the master side.

#include <string>
#include <string_view>

class TPseudoTerminal {
public:
    // Opens a pair in raw mode. The test keeps a slave handle open as well, so the pair stays
    // usable while the station closes and reopens its own.
    TPseudoTerminal();
    ~TPseudoTerminal();
    TPseudoTerminal(const TPseudoTerminal&) = delete;
    TPseudoTerminal& operator=(const TPseudoTerminal&) = delete;

    // The slave's path, for example /dev/pts/3.
    const std::string& SlavePath() const { return FSlavePath; }
    int MasterHandle() const { return FMaster; }
    // The test's own slave handle (-1 after CloseSlave).
    int SlaveHandle() const { return FSlave; }

    // Sends bytes as the instrument: all of them, waiting while the terminal's buffer is full.
    void Write(std::string_view bytes);
    // What the station sent, waiting up to `timeoutMs` for the first byte, then taking what
    // follows without a pause.
    std::string Read(int timeoutMs);
    // Unplugs the device: the station's handle sees a hang-up.
    void CloseMaster();
    void CloseSlave();

private:
    int FMaster = -1;
    int FSlave = -1;
    std::string FSlavePath;
};
