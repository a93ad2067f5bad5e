// The files dragged lines are written to, in a folder of the user's cache: each a standard MIDI
// file under a readable name ("Quelvar 17 Pattern name.mid"). The same bytes dragged again reuse
// their file; other bytes under a name in use take the next free number ("… 2.mid"), so a file a
// DAW has already taken never changes under it. At each write, files of ours not touched for
// kLineFileDays days are removed, and no more than kLineFilesKept are kept, the oldest going
// first. Caller's thread, never the audio thread; allocates and does file input and output.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace quelvar
{

constexpr int kLineFileDays = 14;
constexpr std::size_t kLineFilesKept = 100;

// "Quelvar 17 Pattern name": the pattern's number and its name, path separators as dashes,
// control characters as spaces, runs of spaces as one; "Quelvar 17" for an empty name.
std::string lineFileBaseName(int patternNumber, std::string_view patternName);

// Writes `bytes` into `folder` (made when missing; an absolute path) as baseName + ".mid", or the
// first free or equal numbered name. The file's path, or empty when nothing could be written.
std::string writeLineFile(const std::string& folder, const std::string& baseName,
                          std::span<const std::uint8_t> bytes);

// Our files in `folder` past their time or their number go, except `keep`.
void pruneLineFiles(const std::string& folder, std::filesystem::file_time_type now,
                    const std::string& keep);

} // namespace quelvar
