#pragma once

#include "link/log_file.hpp"

#include <sys/resource.h>

namespace merolan::testing {

// Writes past `bytes` fail while it lives (SIGXFSZ is ignored), as they do on a disk that is
// full: a failing disk without mounting one.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        letWritesFailInsteadOfSignals();
        getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit low = saved_;
        low.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &low);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved_); }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    rlimit saved_{};
};

} // namespace merolan::testing
