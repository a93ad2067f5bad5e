#include "io/chunkSections.h"

namespace quelvar
{

ChunkSections chunkSectionsOf(const std::uint8_t* chunk, std::size_t size,
                              const ParsedChunk& parsed)
{
    ChunkSections sections;
    std::size_t at = parsed.accepted ? chunkRecordsEnd(parsed) : size;
    // The section where the reading stands, if it is of this kind and the first of it: 1 read,
    // 0 not this one, -1 malformed.
    const auto take = [&](auto& section, auto parse)
    {
        if (section.value)
            return 0;
        section = parse(chunk + at, size - at);
        if (!section.wellFormed)
            return -1;
        at += section.bytes; // 0 for bytes that are not this section
        return section.bytes > 0 ? 1 : 0;
    };
    while (at < size)
    {
        int read = take(sections.controllers, parseControllerSection);
        if (read == 0)
            read = take(sections.lines, parseLineSection);
        if (read == 0)
            read = take(sections.chain, parseChainSection);
        if (read != 1)
            break; // malformed, or a section this reader does not know
    }
    return sections;
}

} // namespace quelvar
