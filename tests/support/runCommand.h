// Runs a shell command and collects what it writes to its standard output. Test thread only.
#pragma once

#include <string>

namespace quelvar
{

struct CommandRun
{
    int status = -1;    // exit status; -1 when the command could not start or did not exit
    std::string output; // add " 2>&1" to the command to collect its errors too
};

CommandRun runCommand(const std::string& command);

} // namespace quelvar
