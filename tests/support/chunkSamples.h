// State chunks every plugin format's state tests hand to their plugin: one unlike any fresh
// instance's, and malformed ones a plugin must refuse without changing anything.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quelvar
{

// Made by an engine of this process: pattern, step, name and parameter edits.
std::vector<std::uint8_t> editedChunk();

struct MalformedChunk
{
    std::string name;
    std::vector<std::uint8_t> bytes;
};

// Cut short, thirty parameters, a version byte alone.
std::vector<MalformedChunk> malformedChunks();

} // namespace quelvar
