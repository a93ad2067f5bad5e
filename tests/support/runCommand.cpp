#include "support/runCommand.h"

#include <cstdio>
#include <sys/wait.h>

namespace quelvar
{

CommandRun runCommand(const std::string& command)
{
    CommandRun run;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return run;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe))
        run.output += buffer;
    const int raw = pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return run;
}

} // namespace quelvar
