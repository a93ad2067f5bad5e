// Phoscyon pattern files (.phptr): one Pattern element with a Step child per step (tinyxml2).
// Caller's thread, never the audio thread; allocates.
#pragma once

#include "io/patternImport.h"

#include <cstddef>
#include <string>

namespace quelvar
{

class Palladon;

std::string phoscyonPatternText(const Pattern& pattern, int tempoBpm, bool xmlDeclaration);
// False when nothing was written (empty path, no current pattern, file not writable).
bool exportPhoscyonPattern(Palladon& engine, const std::string& path);

// No pattern for text that is not XML, has no Pattern element at the top, or a length outside
// 1–64. A step whose note falls outside 0–60 becomes a rest.
PatternImport parsePhoscyonPattern(const char* data, std::size_t size);
// Installs the file's pattern in slot `index` (−1: the current one). True when installed.
bool importPhoscyonPattern(Palladon& engine, const std::string& path, int index);
// The same for a file already in memory.
bool importPhoscyonPatternData(Palladon& engine, const char* data, std::size_t size, int index);

} // namespace quelvar
