#pragma once
// How much a log line matters, for logs that a service manager ranks (the station's and the
// collector's).

// Severity of a log line, numbered as syslog numbers it.
enum class TLogPriority { Error = 3, Warning = 4, Notice = 5, Info = 6 };
