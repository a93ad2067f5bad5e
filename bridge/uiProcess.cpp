#include "bridge/uiProcess.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

extern char** environ;

namespace quelvar::bridge
{

namespace
{
// Copies land above the fixed numbers, so the child's dup2 onto them never overwrites a source.
constexpr int kFirstFreeFd = 10;

template <std::size_t N> void writeLiteral(const char (&text)[N])
{
    // Between fork and exec only async-signal-safe calls are allowed: write, not printf.
    [[maybe_unused]] const ssize_t n = write(STDOUT_FILENO, text, N - 1);
}

int duplicateHigh(int fd)
{
    return fcntl(fd, F_DUPFD_CLOEXEC, kFirstFreeFd);
}

bool writeAll(int fd, std::span<const std::uint8_t> bytes)
{
    std::size_t done = 0;
    while (done < bytes.size())
    {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void closeIfOpen(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}
} // namespace

bool UiChannels::open()
{
    int command[2];
    int notice[2];
    if (pipe2(command, O_NONBLOCK | O_CLOEXEC) != 0)
        return false;
    if (pipe2(notice, O_NONBLOCK | O_CLOEXEC) != 0)
    {
        ::close(command[0]);
        ::close(command[1]);
        return false;
    }
    commandRead = command[0];
    commandWrite = command[1];
    noticeRead = notice[0];
    noticeWrite = notice[1];
    return true;
}

void UiChannels::close()
{
    closeIfOpen(commandRead);
    closeIfOpen(commandWrite);
    closeIfOpen(noticeRead);
    closeIfOpen(noticeWrite);
}

pid_t startUiProgram(std::span<const std::uint8_t> program, const char* windowText, int stateFd,
                     const UiChannels& channels)
{
    // Everything the child uses is made before the fork: the host is multi-threaded, so the child
    // may not allocate or take a lock before exec.
    const int made = memfd_create("QuelvarUI", MFD_CLOEXEC);
    const int programFd = made >= 0 ? duplicateHigh(made) : -1;
    if (made >= 0)
        ::close(made);
    const int sources[3] = {duplicateHigh(stateFd), duplicateHigh(channels.commandWrite),
                            duplicateHigh(channels.noticeRead)};
    pid_t pid = -1;
    if (programFd >= 0 && sources[0] >= 0 && sources[1] >= 0 && sources[2] >= 0 &&
        writeAll(programFd, program))
    {
        char* const argv[] = {const_cast<char*>("QuelvarUI"), const_cast<char*>(windowText),
                              const_cast<char*>("3"), const_cast<char*>("4"),
                              const_cast<char*>("5"), nullptr};
        pid = fork();
        if (pid == 0)
        {
            sigset_t none;
            sigemptyset(&none);
            sigprocmask(SIG_SETMASK, &none, nullptr);
            // The host's own descriptors are none of the UI's business.
            close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
            // dup2 leaves the copies open across exec.
            if (dup2(sources[0], kUiStateFd) < 0 || dup2(sources[1], kUiCommandFd) < 0 ||
                dup2(sources[2], kUiNoticeFd) < 0)
                _exit(127);
            // A script (the tests' stand-in) is read by its interpreter through /dev/fd.
            fcntl(programFd, F_SETFD, 0);
            writeLiteral("QuelvarVST > starting child process !\n");
            syscall(SYS_execveat, programFd, "", argv, environ, AT_EMPTY_PATH);
            writeLiteral("QuelvarVST > error : child process can't start \n");
            _exit(127);
        }
    }
    for (int fd : sources)
        if (fd >= 0)
            ::close(fd);
    if (programFd >= 0)
        ::close(programFd);
    return pid;
}

} // namespace quelvar::bridge
