#pragma once
// The collector's log: each line with its priority, so that under systemd the journal ranks
// them (`journalctl -p warning` shows what needs an operator: lost lines, write failures).

#include "acquisition/LogPriority.h"

#include <functional>
#include <string>

using TCollectorLog = std::function<void(const std::string& line, TLogPriority priority)>;
