// The native pattern file (.303): one pattern and a snapshot of the 29 parameters.
// Read and written on the caller's thread, never the audio thread; allocates.
#pragma once

#include "engine/parameterTable.h"
#include "io/patternImport.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quelvar
{

class Palladon;

constexpr char kPatternFileMagic[] = "fnk3patt"; // eight bytes in the file, no terminator
constexpr std::size_t kPatternFileMagicBytes = 8;
constexpr std::size_t kPatternFileNameBytes = 127;
// Every name the writer meets must be one the reader takes back.
static_assert(kPatternFileNameBytes >= kMaxPatternNameBytes);

std::vector<std::uint8_t> encodePatternFile(const Pattern& pattern,
                                            const std::array<float, kNumParams>& params);

// None for a malformed file. The settings hold the file's parameter values in slot order (the
// caller decides which slots to skip); they are read only when `withParams` is set.
std::optional<PatternImport> parsePatternFile(const std::uint8_t* data, std::size_t size,
                                              bool withParams);

// Writes the current pattern and the parameters; false when nothing was written.
bool exportPattern(Palladon& engine, const std::string& path);
// Installs the file's pattern in slot `index` (−1: the current one) and, with `withParams`,
// applies its parameters except the pattern trigger and, while the engine ignores it on import,
// the sync type. False, with nothing changed, for an unreadable or malformed file.
bool importPattern(Palladon& engine, const std::string& path, int index, bool withParams);
// The same for a file already in memory.
bool importPatternData(Palladon& engine, const std::uint8_t* data, std::size_t size, int index,
                       bool withParams);

} // namespace quelvar
