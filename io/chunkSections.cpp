#include "io/chunkSections.h"

namespace quelvar
{

ChunkSections chunkSectionsOf(const std::uint8_t* chunk, std::size_t size,
                              const ParsedChunk& parsed)
{
    ChunkSections sections;
    std::size_t at = parsed.accepted ? chunkRecordsEnd(parsed) : size;
    if (at >= size)
        return sections;
    sections.controllers = parseControllerSection(chunk + at, size - at);
    if (!sections.controllers.wellFormed)
        return sections;
    at += sections.controllers.bytes;
    sections.lines = parseLineSection(chunk + at, size - at);
    return sections;
}

} // namespace quelvar
