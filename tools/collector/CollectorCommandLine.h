#pragma once
// The collector's command line:
//   orvant3k-collector --broker HOST[:PORT] [--tls] [--cafile F] [--username U]
//                      [--password-file F] [--prefix P] [--stations PATTERN] [--out DIR]
//                      [--from-now] [--max-stations N] [--session-expiry SECONDS]

#include "network/Collector.h"

#include <QStringList>

#include <string>

struct TCollectorCommandLine {
    TCollectorOptions Options;
    std::string PasswordFile;
    int ExitCode = -1;     // >= 0: exit at once with this code (help, version, usage error)
    std::string Message;   // what to print before exiting (on stdout for 0, else stderr)
};

// Parses the arguments (the program name first). Does not read the password file.
TCollectorCommandLine ParseCollectorCommandLine(const QStringList& arguments);
