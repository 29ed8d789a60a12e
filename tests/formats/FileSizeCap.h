// Makes writes past a size fail (EFBIG) while it lives: a write failure that does not
// depend on permissions, which root ignores.
#pragma once

#include <signal.h>
#include <sys/resource.h>

namespace zolvex {

class FileSizeCap {
public:
    explicit FileSizeCap(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = ::signal(SIGXFSZ, SIG_IGN);
        struct rlimit cap = {bytes, old_.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &cap);
    }
    ~FileSizeCap() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        ::signal(SIGXFSZ, oldHandler_);
    }

private:
    struct rlimit old_ {};
    sighandler_t oldHandler_;
};

}  // namespace zolvex
