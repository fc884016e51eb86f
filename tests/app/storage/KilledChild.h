#pragma once
// Runs a piece of work in a child process that the kernel kills (SIGXFSZ) as soon as it writes
// past a file size limit: a crash at a known point of a write, without any hook in the product.

#include <csignal>
#include <functional>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

// The signal that ended the child, or 0 when it finished on its own.
inline int killedWhileWriting(rlim_t limitBytes, const std::function<void()>& work) {
    const pid_t child = ::fork();
    if (child == 0) {
        const rlimit noCore{0, 0};
        ::setrlimit(RLIMIT_CORE, &noCore);
        const rlimit limit{limitBytes, limitBytes};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        std::signal(SIGXFSZ, SIG_DFL);
        try {
            work();
        } catch (...) {
        }
        ::_exit(0);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child) return -1;
    return WIFSIGNALED(status) ? WTERMSIG(status) : 0;
}

} // namespace testsupport
