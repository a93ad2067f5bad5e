// ABL2 text (which may turn out to be ABL3): the strict reader's parse, and the lenient one
// imported the way a file is.
#include "io/ablImport.h"

#include "fuzzEngine.h"

#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace quelvar;
    static fuzz::FuzzEngine fuzzEngine;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const AblImport strict = parseABLPattern(text, {true, false});
    if (strict.import.pattern)
    {
        const int n = strict.import.pattern->getNBStep();
        if (n < 2 || n > kStepsPerPattern)
            fuzz::fail("step count", n, 0);
    }
    Palladon& engine = fuzzEngine.reset();
    const std::vector<std::uint8_t> before = getChunkBytes(engine);
    const bool read =
        importABLPatternText(engine, text, "/tmp/fuzz.input.pat", kCurrentPatternIndex, true);
    // A file that is not a pattern changes nothing, not even its settings line.
    if (!read && getChunkBytes(engine) != before)
        fuzz::fail("refused file changed the state", static_cast<int>(size), 0);
    fuzz::checkEngine(engine);
    return 0;
}
