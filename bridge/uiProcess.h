// Starting the UI program without writing a file: its bytes go into an anonymous memory file that
// is executed directly, and the child inherits the shared block and the two pipes of the bridge
// on fixed descriptors. Host UI thread; allocates (never between fork and exec).
#pragma once

#include <cstdint>
#include <span>
#include <sys/types.h>

namespace quelvar::bridge
{

// The descriptors the UI program finds its ends on; its command line names them too.
constexpr int kUiStateFd = 3;   // the shared block, to map
constexpr int kUiCommandFd = 4; // commands: the UI writes
constexpr int kUiNoticeFd = 5;  // notices: the UI reads

// Two pipes, both ends non-blocking and close-on-exec. The plugin keeps all four ends for its
// lifetime, as it kept both ends of the named FIFOs before: a UI process started after another
// one died finds the same pipes, and a UI that stops reading never blocks a writer.
struct UiChannels
{
    int commandRead = -1;
    int commandWrite = -1;
    int noticeRead = -1;
    int noticeWrite = -1;

    bool open();
    void close();
    bool isOpen() const { return commandRead >= 0; }
};

// Forks and executes `program` as "QuelvarUI <windowText> 3 4 5". The child's signal mask is
// cleared and every other descriptor closes on exec. The child's id, or -1 when nothing started.
pid_t startUiProgram(std::span<const std::uint8_t> program, const char* windowText, int stateFd,
                     const UiChannels& channels);

} // namespace quelvar::bridge
