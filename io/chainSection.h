// The state chunk's section that keeps the chain and the chain switch. It follows the MIDI
// controller and line sections (io/chunkSections.h finds it); readers of the chunk without it stop before
// it, and a chunk without it leaves the chain empty and its switch off. Any thread; parsing never
// reads outside the given bytes.
#pragma once

#include "io/parsedSection.h"
#include "sequencer/Chain.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quelvar
{

// Section layout: the tag "QCHN", version 1, the switch (0 off, 1 on), the entry count n (0–256,
// two bytes, little-endian), then n bytes: each entry's song pattern, 0–63. Any other value makes
// the section malformed.
constexpr std::uint8_t kChainTag[4] = {'Q', 'C', 'H', 'N'};
constexpr std::uint8_t kChainSectionVersion = 1;
constexpr std::size_t kChainSectionHeaderBytes = 8;

struct ChainState
{
    ChainEntries entries;
    bool play = false;
};

void appendChainSection(std::vector<std::uint8_t>& chunk, const ChainState& state);

using ChainSection = ParsedSection<ChainState>;

// The bytes where the section would start; they may go on with later sections.
ChainSection parseChainSection(const std::uint8_t* data, std::size_t size);

} // namespace quelvar
