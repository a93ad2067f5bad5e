// Reading ABL2 and ABL3 pattern files (.pat). The parsers are pure and accept any text; they run
// on the caller's thread, never the audio thread, and allocate.
#pragma once

#include "io/patternImport.h"

#include <string>
#include <string_view>

namespace quelvar
{

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

} // namespace quelvar
