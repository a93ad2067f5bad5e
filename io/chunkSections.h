// The sections after the state chunk's last record, in the order they are written: the MIDI
// controller map (io/controllerSection.h), then the key and line settings (io/lineSection.h).
// Each is found by skipping the known ones before it; bytes after the last known section are
// left alone, so a chunk from a later writer with more sections still loads. Any thread; never
// reads outside the given bytes.
#pragma once

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

    bool wellFormed() const { return controllers.wellFormed && lines.wellFormed; }
};

// The sections of a whole chunk; a chunk parseChunk rejected has none.
ChunkSections chunkSectionsOf(const std::uint8_t* chunk, std::size_t size,
                              const ParsedChunk& parsed);

} // namespace quelvar
