// State chunks from a host: the reader must stay within the given size, and whatever it
// accepts must survive a second round trip unchanged.
#include "io/chunkSections.h"

#include "fuzzEngine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace quelvar;
    static fuzz::FuzzEngine first;
    static fuzz::FuzzEngine second;
    Palladon& engine = first.reset();
    const int accepted = setChunk(engine, data, size);
    fuzz::checkEngine(engine);
    const ParsedChunk parsed = parseChunk(data, size);
    const bool wellFormed = parsed.accepted && chunkSectionsOf(data, size, parsed).wellFormed();
    if (accepted != (wellFormed ? 1 : 0))
        fuzz::fail("result differs from the parse", accepted, 0);

    const std::vector<std::uint8_t> saved = getChunkBytes(engine);
    Palladon& copy = second.reset();
    if (setChunk(copy, saved.data(), saved.size()) != 1)
        fuzz::fail("own chunk rejected", static_cast<int>(saved.size()), 0);
    if (getChunkBytes(copy) != saved)
        fuzz::fail("round trip changed the chunk", static_cast<int>(saved.size()), 0);
    return 0;
}
