// Earlier versions of the editor bridge named a shared-memory object per plugin instance and put
// the UI program and two FIFOs in a private folder; a host that crashed or was killed left them
// behind. The plugin removes those of processes that are gone once, when it is first loaded.
// Host thread; allocates.
#pragma once

#include <string>

namespace quelvar::bridge
{

// $XDG_RUNTIME_DIR when it is an absolute directory of this user, otherwise /tmp/quelvar-<uid>
// when that is a real directory (not a link) of this user. Empty when neither exists.
std::string runtimeDirectory();
// The same with the environment value and the fallback given, for tests.
std::string runtimeDirectoryFrom(const char* xdgRuntimeDir, const std::string& fallback);

// Removes, from the shared-memory folder and the runtime folder, the files named with a process
// id ("qlvrdata.mmap<pid>-<n>"; "QuelvarUI<pid>-<n>", "quelvarui<pid>-<n>.fifo",
// "quelvarplugin<pid>-<n>.fifo") whose process no longer exists. Only this user's regular files
// and FIFOs are touched, never links. Returns how many were removed.
int removeLeftovers(const std::string& sharedMemoryDirectory, const std::string& runtimeDir);
// removeLeftovers("/dev/shm", runtimeDirectory()) the first time it is called in a process.
void removeLeftoversOnce();

} // namespace quelvar::bridge
