// Sends what the plugin and the engine's readers print on standard output to /dev/null while it
// lives: their trace lines are not what the tool's user asked for. Main thread of the tool.
#pragma once

namespace quelvar
{

class SilencedStdout
{
public:
    SilencedStdout();
    ~SilencedStdout();
    SilencedStdout(const SilencedStdout&) = delete;
    SilencedStdout& operator=(const SilencedStdout&) = delete;

private:
    int saved = -1; // the real standard output; -1 when it could not be set aside
};

} // namespace quelvar
