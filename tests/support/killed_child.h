// Runs work in a child process that is meant to kill itself part-way, as a
// crash or `kill -9` would end the program: for checking what is left on disk.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <functional>

namespace zarvon::testing {

// Forks, runs `work` in the child and ends it. True when the child died of
// SIGKILL (false: it finished, or failed to start).
inline bool diedKilled(const std::function<void()> &work)
{
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        work();
        ::_exit(0);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

} // namespace zarvon::testing
