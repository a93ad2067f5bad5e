// Files of the editor bridge: the private per-user directory that holds the UI program and the two
// FIFOs, their names, and how they are made and opened safely. Host UI thread; allocates.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace quelvar::bridge
{

struct BridgePaths
{
    std::string program;     // the UI program
    std::string commandFifo; // UI process to plugin
    std::string noticeFifo;  // plugin to UI process
    std::string sharedBlock; // shared-memory name
};

// $XDG_RUNTIME_DIR when it is an absolute directory of this user, otherwise /tmp/quelvar-<uid>,
// made with mode 0700 when `create` is set and accepted only when it is a real directory (not a
// link) owned by this user. Empty when no such directory exists.
std::string runtimeDirectory(bool create);
// The same with the environment value and the fallback given, for tests.
std::string runtimeDirectoryFrom(const char* xdgRuntimeDir, const std::string& fallback,
                                 bool create);

// Names for one engine, tagged "<pid>-<engine number>" so that neither two engines of a process
// nor two processes ever share a file.
BridgePaths bridgePaths(const std::string& directory, std::string_view tag);
// Tags are digits and dashes, so a tag from the command line cannot lead out of the directory.
bool isValidTag(std::string_view tag);

// Makes a FIFO of mode 0600. A leftover one is reused only when it is a FIFO (not a link) owned
// by this user. Prints the reason of a failure; true when the FIFO is usable.
bool createFifo(const std::string& path);
// Opens a FIFO read-write and non-blocking without following a link, and only when it is a FIFO
// owned by this user; close-on-exec. The descriptor, or -1.
int openFifo(const std::string& path);
// Writes the bytes to a new file of mode 0700, replacing (never following) whatever was there.
bool writeProgram(const std::string& path, std::span<const std::uint8_t> bytes);

} // namespace quelvar::bridge
