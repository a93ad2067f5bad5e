// Phoscyon XML, imported the way a file is.
#include "io/phoscyonPattern.h"

#include "fuzzEngine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace quelvar;
    static fuzz::FuzzEngine fuzzEngine;
    const char* text = reinterpret_cast<const char*>(data);
    const PatternImport parsed = parsePhoscyonPattern(text, size);
    if (parsed.pattern)
    {
        const int n = parsed.pattern->getNBStep();
        if (n < 1 || n > kStepsPerPattern || parsed.pattern->getName().size() > kImportedNameBytes)
            fuzz::fail("pattern", n, static_cast<int>(parsed.pattern->getName().size()));
    }
    Palladon& engine = fuzzEngine.reset();
    importPhoscyonPatternData(engine, text, size, kCurrentPatternIndex);
    fuzz::checkEngine(engine);
    return 0;
}
