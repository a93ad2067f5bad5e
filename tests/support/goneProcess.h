// The id of a process that has ended and been reaped, for names that carry a process id.
// Test thread only.
#pragma once

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quelvar
{

inline pid_t goneProcess()
{
    const pid_t pid = fork();
    if (pid == 0)
        _exit(0);
    waitpid(pid, nullptr, 0);
    return pid;
}

} // namespace quelvar
