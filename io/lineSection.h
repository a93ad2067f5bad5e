// The state chunk's section that keeps the key, the scale and the shares lines are made with. It
// follows the MIDI controller section (io/chunkSections.h); readers of the chunk without it stop
// before it. Any thread; parsing never reads outside the given bytes.
#pragma once

#include "io/parsedSection.h"
#include "sequencer/lineOperations.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quelvar
{

// Section layout: the tag "QKEY", version 1, a field count n, then n bytes: the key (0–11), the
// scale, the share Mutate changes (10–100), and Generate's shares of rests, accents and slides
// (0–100 each). Fields past the six a reader knows are skipped, fields missing at the end keep
// their defaults, and a scale number a reader does not know reads as the default scale, so a
// later writer may add both. A value out of its range makes the section malformed.
constexpr std::uint8_t kLineTag[4] = {'Q', 'K', 'E', 'Y'};
constexpr std::uint8_t kLineSectionVersion = 1;
constexpr std::size_t kLineFields = 6;
constexpr std::size_t kLineSectionBytes = 6 + kLineFields;

void appendLineSection(std::vector<std::uint8_t>& chunk, const LineSettings& settings);

using LineSection = ParsedSection<LineSettings>;

// The bytes where the section would start; they may go on with later sections.
LineSection parseLineSection(const std::uint8_t* data, std::size_t size);

} // namespace quelvar
