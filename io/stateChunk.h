// The plugin state chunk: every parameter and the 64 patterns as one block of bytes that the
// host stores. Built and applied on the host's calling thread, never the audio thread;
// both allocate.
#pragma once

#include "engine/parameterTable.h"
#include "io/stepBytes.h"
#include "sequencer/Pattern.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quelvar
{

class Palladon;

constexpr int kChunkVersion = 2;
constexpr std::size_t kChunkHeaderBytes = 120; // version 2 with 29 parameters
constexpr std::size_t kChunkNameBytes = 127;   // name area after its length byte
constexpr std::size_t kChunkRecordBytes = 2 + kChunkNameBytes + 1; // plus 3 per step
// getChunkBytes copies names whole into the name area.
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
};

// The chunk as the engine's state stands: version 2, 29 parameters, 64 records.
std::vector<std::uint8_t> getChunkBytes(Palladon& engine);

// Never reads outside [data, data + size).
ParsedChunk parseChunk(const std::uint8_t* data, std::size_t size);

// 1 when the chunk was applied, 0 when rejected. A rejected chunk keeps what was applied
// before the fault: parameters once the header is sound, and every record before the bad one.
int setChunk(Palladon& engine, const void* data, std::size_t size);
// setChunk without its trace lines.
int applyChunk(Palladon& engine, const ParsedChunk& chunk);
// Parses and applies only a chunk that is well formed throughout, so a fault changes nothing.
// True when it was applied.
bool applyWholeChunk(Palladon& engine, const std::uint8_t* data, std::size_t size);

} // namespace quelvar
