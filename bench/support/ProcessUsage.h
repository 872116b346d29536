#pragma once
// Other processes' and the machine's use of the processors and memory, read from /proc, for
// benches that run a broker or a collector beside them.

#include <map>
#include <string>
#include <sys/types.h>

// The CPU time (user and system) a process has used so far, in seconds; 0 when it cannot be
// read (the process is gone).
double CpuSeconds(pid_t pid);

// The CPU time of each of a process's threads so far, in seconds, by thread: "main" for the
// process's first thread, "unnamed" for threads that carry the program's name, otherwise the
// thread's name (threads of one name added up).
std::map<std::string, double> ThreadCpuSeconds(pid_t pid);

// What a process holds resident now (VmRSS), in kB; 0 when it cannot be read.
long ResidentKb(pid_t pid);

// The CPU time every processor of the machine has spent busy (not idle or waiting for I/O) so
// far, in seconds, whatever process used it.
double MachineBusySeconds();
