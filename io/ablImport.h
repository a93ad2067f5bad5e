// Reading ABL2 and ABL3 pattern files (.pat). The parsers are pure: any text in, and a pattern
// only when the text holds every step line its count asks for (anything else, a cut file or
// another program's .pat, gives neither pattern nor settings). Caller's thread, never the audio
// thread; allocate.
#pragma once

#include "io/patternImport.h"

#include <string>
#include <string_view>

namespace quelvar
{

struct AblReadOptions
{
    bool withParams = false; // ABL2 settings line applied (ABL3's always is)
    // ABL2: one step is enough, and a line that is no step ends the steps, keeping those read
    bool lenient = false;
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
