// The native pattern file (.303): one pattern and a snapshot of the 29 parameters.
// Encoded and parsed on the caller's thread, never the audio thread; allocates.
#pragma once

#include "io/parameterSlots.h"
#include "io/patternImport.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quelvar
{

constexpr char kPatternFileMagic[] = "fnk3patt"; // eight bytes in the file, no terminator
constexpr std::size_t kPatternFileMagicBytes = 8;
constexpr std::size_t kPatternFileNameBytes = 127;
// Every name the writer meets must be one the reader takes back.
static_assert(kPatternFileNameBytes >= kMaxPatternNameBytes);

std::vector<std::uint8_t> encodePatternFile(const Pattern& pattern,
                                            const ParameterSnapshot& params);

// None for a malformed file. The settings hold the file's parameter values in slot order (the
// caller decides which slots to skip); they are read only when `withParams` is set.
std::optional<PatternImport> parsePatternFile(const std::uint8_t* data, std::size_t size,
                                              bool withParams);

} // namespace quelvar
