#include "io/chunkSections.h"

namespace quelvar
{

ChunkSections chunkSectionsOf(const std::uint8_t* chunk, std::size_t size,
                              const ParsedChunk& parsed)
{
    ChunkSections sections;
    std::size_t at = parsed.accepted ? chunkRecordsEnd(parsed) : size;
    while (at < size)
    {
        // A section already read does not come twice: a second one is not this reader's.
        if (!sections.controllers.assignments)
        {
            sections.controllers = parseControllerSection(chunk + at, size - at);
            if (!sections.controllers.wellFormed)
                return sections;
            if (sections.controllers.assignments)
            {
                at += sections.controllers.bytes;
                continue;
            }
        }
        if (!sections.chain.state)
        {
            sections.chain = parseChainSection(chunk + at, size - at);
            if (!sections.chain.wellFormed)
                return sections;
            if (sections.chain.state)
            {
                at += sections.chain.bytes;
                continue;
            }
        }
        return sections; // a section this reader does not know
    }
    return sections;
}

} // namespace quelvar
