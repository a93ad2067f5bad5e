// The plugin state chunk: every parameter and the 64 patterns as one block of bytes that the
// host stores. Built and parsed on the host's calling thread, never the audio thread; both
// allocate. The engine applies a parsed chunk (engine/PalladonFiles.h).
#pragma once

#include "io/parameterSlots.h"
#include "io/stepBytes.h"
#include "sequencer/Song.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quelvar
{

constexpr int kChunkVersion = 2;
constexpr std::size_t kChunkHeaderBytes = 120; // version 2 with 29 parameters
constexpr std::size_t kChunkNameBytes = 127;   // name area after its length byte
constexpr std::size_t kChunkRecordBytes = 2 + kChunkNameBytes + 1; // plus 3 per step
// encodeChunk copies names whole into the name area.
static_assert(kChunkNameBytes >= kMaxPatternNameBytes);

struct ChunkRecord
{
    int index;
    int nbStep;
    std::array<StepBytes, kStepsPerPattern> steps; // notes held to 0–60
    std::string name;
};

struct ParsedChunk
{
    bool hasVersion = false;
    int version = 0;
    bool hasParamCount = false;
    int paramCount = 0;
    // False: the header was malformed and nothing may be applied.
    bool paramsUsable = false;
    std::vector<float> params;
    // The well-formed records before the first malformed one, in chunk order.
    std::vector<ChunkRecord> records;
    // True when the whole chunk was well formed.
    bool accepted = false;
    // Steps of those records whose note lay outside 0–60; each became a rest.
    int outOfRangeSteps = 0;
};

// Version 2, the 29 parameters and a record for each of the 64 patterns.
std::vector<std::uint8_t> encodeChunk(const Song& song, const ParameterSnapshot& params);

// Never reads outside [data, data + size). Bytes after the last record are not looked at: this
// is the reader of every chunk before the controller section (io/controllerSection.h) and it
// must keep accepting the chunks written now.
ParsedChunk parseChunk(const std::uint8_t* data, std::size_t size);
// Where the last record of a chunk that parseChunk accepted ends.
std::size_t chunkRecordsEnd(const ParsedChunk& parsed);

} // namespace quelvar
