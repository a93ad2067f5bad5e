// ABL3 text, imported the way a file is.
#include "io/ablImport.h"

#include "fuzzEngine.h"

#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace quelvar;
    static fuzz::FuzzEngine fuzzEngine;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const PatternImport parsed = parseABL3Pattern(text);
    if (parsed.pattern)
    {
        const int n = parsed.pattern->getNBStep();
        if (n < 2 || n > kStepsPerPattern)
            fuzz::fail("step count", n, 0);
    }
    Palladon& engine = fuzzEngine.reset();
    const std::vector<std::uint8_t> before = getChunkBytes(engine);
    const bool read = importABL3PatternText(engine, text, "fuzz.pat", 5);
    // A file that is not a pattern changes nothing, not even its settings line.
    if (!read && getChunkBytes(engine) != before)
        fuzz::fail("refused file changed the state", static_cast<int>(size), 0);
    fuzz::checkEngine(engine);
    return 0;
}
