// Reading ABL2 and ABL3 pattern files (.pat). The parsers are pure and accept any text; the
// importers run on the caller's thread, never the audio thread, and allocate.
#pragma once

#include "io/patternImport.h"

#include <string>
#include <string_view>

namespace quelvar
{

class Palladon;

struct AblReadOptions
{
    bool withParams = false; // ABL2 settings line applied (ABL3's always is)
    bool lenient = false;    // ABL2: one step is enough, a bad step line keeps what was read
};

struct AblImport
{
    PatternImport import;
    bool abl3 = false; // an ABL3 meta tag handed the whole text to the ABL3 reader
};

// ABL2 text, or ABL3 text once its meta tag is seen.
AblImport parseABLPattern(std::string_view text, const AblReadOptions& options);
PatternImport parseABL3Pattern(std::string_view text);

// Both install the pattern in slot `index` (−1: the current one) and name it after the file.
// Settings lines stay applied even when no pattern is installed. True when one was installed.
bool importABLPattern(Palladon& engine, const std::string& path, int index, bool withParams);
bool importABL3Pattern(Palladon& engine, const std::string& path, int index, bool withParams);
// The same for a file already in memory; `path` only gives the pattern its name.
bool importABLPatternText(Palladon& engine, std::string_view text, const std::string& path,
                          int index, bool withParams);
bool importABL3PatternText(Palladon& engine, std::string_view text, const std::string& path,
                           int index);

} // namespace quelvar
