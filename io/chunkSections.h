// The sections after the state chunk's last record: the MIDI controller map
// (io/controllerSection.h), the key and line settings (io/lineSection.h) and the chain
// (io/chainSection.h), written in that order. Each is known by its tag, in whatever order they
// come; a section this reader does not know ends the reading, and it and what follows it are left
// alone, so a chunk from a later writer with more sections still loads. Any thread; never reads
// outside the given bytes.
#pragma once

#include "io/chainSection.h"
#include "io/controllerSection.h"
#include "io/lineSection.h"
#include "io/stateChunk.h"

#include <cstddef>
#include <cstdint>

namespace quelvar
{

struct ChunkSections
{
    ControllerSection controllers;
    LineSection lines;
    ChainSection chain;

    bool wellFormed() const
    {
        return controllers.wellFormed && lines.wellFormed && chain.wellFormed;
    }
};

// The sections of a whole chunk; a chunk parseChunk rejected has none. A malformed section ends
// the reading.
ChunkSections chunkSectionsOf(const std::uint8_t* chunk, std::size_t size,
                              const ParsedChunk& parsed);

} // namespace quelvar
