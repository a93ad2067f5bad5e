// Phoscyon pattern files (.phptr): one Pattern element with a Step child per step (tinyxml2).
// Caller's thread, never the audio thread; allocates.
#pragma once

#include "io/patternImport.h"

#include <cstddef>
#include <string>

namespace quelvar
{

std::string phoscyonPatternText(const Pattern& pattern, int tempoBpm, bool xmlDeclaration);

// No pattern for text that is not XML, has no Pattern element at the top, or a length outside
// 1–64. A step whose note falls outside 0–60 becomes a rest.
PatternImport parsePhoscyonPattern(const char* data, std::size_t size);
} // namespace quelvar
