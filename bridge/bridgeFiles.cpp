#include "bridge/bridgeFiles.h"

#include "bridge/SharedBlock.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
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

const char* fifoErrorText(int error)
{
    switch (error)
    {
    case ENOENT:
        return "A component of the path prefix specified by path does not name an existing "
               "directory or path is an empty string.";
    case EACCES:
        return "A component of the path prefix denies search permission, or write permission is "
               "denied on the parent directory of the FIFO to be created.";
    case EEXIST:
        return "The named file already exists.";
    case ENOTDIR:
        return "A component of the path prefix is not a directory.";
    case ENOSPC:
        return "The directory that would contain the new file cannot be extended or the file "
               "system is out of file-allocation resources.";
    case EROFS:
        return "The named file resides on a read-only file system.";
    case ENAMETOOLONG:
        return "The length of the path argument exceeds {PATH_MAX} or a pathname component is "
               "longer than {NAME_MAX}.";
    case ELOOP:
        return "A loop exists in symbolic links encountered during resolution of the path "
               "argument.";
    default:
        return nullptr;
    }
}
} // namespace

std::string runtimeDirectoryFrom(const char* xdgRuntimeDir, const std::string& fallback,
                                 bool create)
{
    struct stat st;
    if (xdgRuntimeDir && xdgRuntimeDir[0] == '/' && stat(xdgRuntimeDir, &st) == 0 &&
        ownedDirectory(st))
        return xdgRuntimeDir;

    // lstat, so a link planted under the fallback name is refused rather than followed.
    if (lstat(fallback.c_str(), &st) != 0)
    {
        if (errno != ENOENT || !create)
            return {};
        // Another process may make it at the same moment; its directory is checked alike.
        if ((mkdir(fallback.c_str(), 0700) != 0 && errno != EEXIST) ||
            lstat(fallback.c_str(), &st) != 0)
            return {};
    }
    if (!ownedDirectory(st))
        return {};
    if ((st.st_mode & 077) != 0 && chmod(fallback.c_str(), 0700) != 0)
        return {};
    return fallback;
}

std::string runtimeDirectory(bool create)
{
    return runtimeDirectoryFrom(std::getenv("XDG_RUNTIME_DIR"),
                                "/tmp/quelvar-" + std::to_string(geteuid()), create);
}

bool isValidTag(std::string_view tag)
{
    if (tag.empty() || tag.size() > 32)
        return false;
    for (char c : tag)
    {
        if ((c < '0' || c > '9') && c != '-')
            return false;
    }
    return true;
}

BridgePaths bridgePaths(const std::string& directory, std::string_view tag)
{
    const std::string t(tag);
    return {directory + "/QuelvarUI" + t, directory + "/quelvarui" + t + ".fifo",
            directory + "/quelvarplugin" + t + ".fifo", sharedBlockName(t)};
}

bool createFifo(const std::string& path)
{
    if (mkfifo(path.c_str(), 0600) == 0)
        return chmod(path.c_str(), 0600) == 0; // the umask may have taken bits away
    const int error = errno;
    std::printf("QuelvarVST >  ERROR FIFO creation failed : \n");
    if (const char* text = fifoErrorText(error))
        std::printf("%s\n", text);
    bool usable = false;
    if (error == EEXIST)
    {
        struct stat st;
        usable = lstat(path.c_str(), &st) == 0 && S_ISFIFO(st.st_mode) && st.st_uid == geteuid();
        if (!usable)
            std::printf("QuelvarVST > %s is not a FIFO of this user: not used\n", path.c_str());
    }
    std::fflush(stdout);
    return usable;
}

int openFifo(const std::string& path)
{
    const int fd = open(path.c_str(), O_RDWR | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISFIFO(st.st_mode) || st.st_uid != geteuid())
    {
        close(fd);
        return -1;
    }
    return fd;
}

bool writeProgram(const std::string& path, std::span<const std::uint8_t> bytes)
{
    // A fresh file: a link or a running program left under the name is replaced, not written
    // through.
    if (unlink(path.c_str()) != 0 && errno != ENOENT)
        return false;
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0700);
    if (fd < 0)
        return false;
    std::size_t done = 0;
    while (done < bytes.size())
    {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    const bool ok = done == bytes.size() && fchmod(fd, 0700) == 0;
    if (close(fd) != 0 || !ok)
    {
        unlink(path.c_str());
        return false;
    }
    return true;
}

} // namespace quelvar::bridge
