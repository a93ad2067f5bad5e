// What the Xvfb tests of the editor share: a private Xvfb, programs run to their end, host
// windows, waits and screenshots. Test thread only.
#pragma once

#include <gtest/gtest.h>
// After GoogleTest: Xlib's macros (None, Bool, Status) would break its templates.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace quelvar::xvfb
{

using namespace std::chrono_literals;
namespace fs = std::filesystem;

inline bool onPath(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= dirs.size())
    {
        const std::size_t end = std::min(dirs.find(':', start), dirs.size());
        const std::string file = dirs.substr(start, end - start) + "/" + name;
        if (access(file.c_str(), X_OK) == 0)
            return true;
        start = end + 1;
    }
    return false;
}

// Runs a program to its end; its standard output is returned, its error output discarded.
inline std::string run(const std::vector<std::string>& args, int* status = nullptr)
{
    int out[2];
    if (pipe(out) != 0)
        return {};
    std::vector<char*> argv;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0)
    {
        dup2(out[1], STDOUT_FILENO);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDERR_FILENO);
        close(out[0]);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    std::string text;
    char buffer[4096];
    ssize_t n;
    while ((n = read(out[0], buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<std::size_t>(n));
    close(out[0]);
    int result = -1;
    waitpid(pid, &result, 0);
    if (status)
        *status = result;
    return text;
}

// An Xvfb of our own. -displayfd makes it choose a free display number and write it once the
// server accepts connections, which is also the wait for it. -noreset: a server resetting as its
// last client leaves can drop a connection made at that moment.
class Xvfb
{
public:
    bool start(const std::string& logPath)
    {
        int fds[2];
        if (pipe(fds) != 0)
            return false;
        const std::string fd = std::to_string(fds[1]);
        pid = fork();
        if (pid == 0)
        {
            close(fds[0]);
            const int log = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (log >= 0)
            {
                dup2(log, STDOUT_FILENO);
                dup2(log, STDERR_FILENO);
            }
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x800x24",
                   "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        std::string number;
        pollfd p{fds[0], POLLIN, 0};
        while (number.find('\n') == std::string::npos && poll(&p, 1, 15000) > 0)
        {
            char c[16];
            const ssize_t n = read(fds[0], c, sizeof c);
            if (n <= 0)
                break;
            number.append(c, static_cast<std::size_t>(n));
        }
        close(fds[0]);
        if (number.empty() || number.find('\n') == std::string::npos)
            return false;
        display = ":" + number.substr(0, number.find('\n'));
        return true;
    }
    ~Xvfb()
    {
        if (pid > 0)
        {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
    pid_t pid = -1;
    std::string display;
};

inline Window hostWindow(Display* d, int x, int y, unsigned long background)
{
    const Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), x, y, 700, 500, 0, 0, background);
    XMapWindow(d, w);
    XSync(d, False);
    return w;
}

template <typename Ready>
inline bool waitUntil(Display* d, Ready ready, std::chrono::milliseconds limit = 15000ms)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end)
    {
        while (XPending(d) > 0)
        {
            XEvent e;
            XNextEvent(d, &e);
        }
        if (ready())
            return true;
        std::this_thread::sleep_for(50ms);
    }
    return ready();
}

inline bool hasEditorChild(Window w)
{
    return run({"xwininfo", "-tree", "-id", std::to_string(w)}).find("621x437+0+0") !=
           std::string::npos;
}

inline unsigned long pixelAt(Display* d, Window w, int x, int y)
{
    XImage* image = XGetImage(d, w, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image)
        return ~0ul;
    const unsigned long pixel = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return pixel;
}

// Children of this process whose first argument is "QuelvarUI".
inline std::vector<pid_t> uiProcesses()
{
    std::vector<pid_t> found;
    for (const auto& entry : fs::directory_iterator("/proc"))
    {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        std::getline(stat, line);
        const std::size_t close = line.rfind(')');
        if (close == std::string::npos)
            continue;
        char state = 0;
        int parent = 0;
        if (std::sscanf(line.c_str() + close + 1, " %c %d", &state, &parent) != 2 ||
            parent != getpid())
            continue;
        std::ifstream cmdline(entry.path() / "cmdline");
        std::string first;
        std::getline(cmdline, first, '\0');
        if (first == "QuelvarUI")
            found.push_back(static_cast<pid_t>(std::stoi(name)));
    }
    return found;
}

inline bool screenshot(Window w, const std::string& file)
{
    int status = -1;
    run({"import", "-window", std::to_string(w), file}, &status);
    std::error_code error;
    return status == 0 && fs::file_size(file, error) > 0;
}

inline std::vector<std::string> filesIn(const std::string& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
        names.push_back(entry.path().filename());
    return names;
}

} // namespace quelvar::xvfb
