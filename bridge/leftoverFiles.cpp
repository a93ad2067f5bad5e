#include "bridge/leftoverFiles.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <initializer_list>
#include <mutex>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace quelvar::bridge
{

namespace
{
bool ownedDirectory(const struct stat& st)
{
    return S_ISDIR(st.st_mode) && st.st_uid == geteuid();
}

// The process id of "<prefix><pid>-<n><suffix>", or 0 when the name is not of that form.
pid_t processOf(std::string_view name, std::string_view prefix, std::string_view suffix)
{
    if (name.size() <= prefix.size() + suffix.size() || !name.starts_with(prefix) ||
        !name.ends_with(suffix))
        return 0;
    const std::string_view tag =
        name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    const std::size_t dash = tag.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash + 1 == tag.size() || dash > 9)
        return 0;
    pid_t pid = 0;
    for (std::size_t i = 0; i < tag.size(); ++i)
    {
        const char c = tag[i];
        if (i == dash)
            continue;
        if (c < '0' || c > '9')
            return 0;
        if (i < dash)
            pid = pid * 10 + (c - '0');
    }
    return pid;
}

struct NameForm
{
    std::string_view prefix;
    std::string_view suffix;
};

bool processGone(pid_t pid)
{
    return kill(pid, 0) != 0 && errno == ESRCH;
}

int removeFrom(const std::string& directory, std::initializer_list<NameForm> forms)
{
    if (directory.empty())
        return 0;
    DIR* dir = opendir(directory.c_str());
    if (!dir)
        return 0;
    int removed = 0;
    while (const dirent* entry = readdir(dir))
    {
        const std::string_view name = entry->d_name;
        pid_t pid = 0;
        for (const NameForm& form : forms)
            if ((pid = processOf(name, form.prefix, form.suffix)) != 0)
                break;
        if (pid <= 0 || !processGone(pid))
            continue;
        const std::string path = directory + "/" + std::string(name);
        struct stat st;
        if (lstat(path.c_str(), &st) != 0 || st.st_uid != geteuid() ||
            !(S_ISREG(st.st_mode) || S_ISFIFO(st.st_mode)))
            continue;
        if (unlink(path.c_str()) == 0)
            ++removed;
    }
    closedir(dir);
    return removed;
}
} // namespace

std::string runtimeDirectoryFrom(const char* xdgRuntimeDir, const std::string& fallback)
{
    struct stat st;
    if (xdgRuntimeDir && xdgRuntimeDir[0] == '/' && stat(xdgRuntimeDir, &st) == 0 &&
        ownedDirectory(st))
        return xdgRuntimeDir;
    // lstat, so a link planted under the fallback name is never followed.
    if (lstat(fallback.c_str(), &st) == 0 && ownedDirectory(st))
        return fallback;
    return {};
}

std::string runtimeDirectory()
{
    return runtimeDirectoryFrom(std::getenv("XDG_RUNTIME_DIR"),
                                "/tmp/quelvar-" + std::to_string(geteuid()));
}

int removeLeftovers(const std::string& sharedMemoryDirectory, const std::string& runtimeDir)
{
    return removeFrom(sharedMemoryDirectory, {{"qlvrdata.mmap", ""}}) +
           removeFrom(runtimeDir, {{"QuelvarUI", ""},
                                   {"quelvarui", ".fifo"},
                                   {"quelvarplugin", ".fifo"}});
}

void removeLeftoversOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { removeLeftovers("/dev/shm", runtimeDirectory()); });
}

} // namespace quelvar::bridge
