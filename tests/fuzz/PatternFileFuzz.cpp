// Pattern files (.303), imported with and without their parameters.
#include "io/patternFile.h"

#include "fuzzEngine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace quelvar;
    static fuzz::FuzzEngine fuzzEngine;
    const bool patternOnly = parsePatternFile(data, size, false).has_value();
    const bool withParams = parsePatternFile(data, size, true).has_value();
    if (withParams && !patternOnly)
        fuzz::fail("accepted only with parameters", static_cast<int>(size), 0);

    for (const bool params : {false, true})
    {
        Palladon& engine = fuzzEngine.reset();
        importPatternData(engine, data, size, static_cast<int>(size % 65) - 1, params);
        fuzz::checkEngine(engine);
    }
    return 0;
}
