#pragma once
// Makes writes beyond a file size fail (EFBIG, "File too large"): a real write failure that
// works for root too, where read-only folders do not stop anything.

#include <csignal>
#include <sys/resource.h>

class TFileSizeLimit {
public:
    explicit TFileSizeLimit(rlim_t bytes) {
        std::signal(SIGXFSZ, SIG_IGN);  // report EFBIG instead of ending the process
        getrlimit(RLIMIT_FSIZE, &FPrevious);
        rlimit limit = FPrevious;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~TFileSizeLimit() { setrlimit(RLIMIT_FSIZE, &FPrevious); }
    TFileSizeLimit(const TFileSizeLimit&) = delete;
    TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

private:
    rlimit FPrevious{};
};
