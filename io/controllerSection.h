// Which MIDI controller moves each parameter slot, and the state chunk's section that keeps it.
// The section follows the last pattern record, where readers of the chunk without it stop
// reading, so their chunks and ours stay readable both ways (io/chunkSections.h finds it). Any
// thread; parsing never reads outside the given bytes.
#pragma once

#include "io/parsedSection.h"
#include "io/parameterSlots.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace quelvar
{

constexpr int kNoController = -1;
constexpr int kControllers = 128;
// Slot i is moved by controller [i] (0–127), or by none.
using ControllerAssignments = std::array<std::int8_t, kNumParams>;

// Section layout: the tag "QCCM", version 1, a slot count n, then n bytes: the controller of
// slot 0, 1, … or 255 for none. Slots past those a reader knows are skipped (readers before the
// chain switch know 29), and slots a section lacks have no controller; a later section goes
// after this one.
constexpr std::uint8_t kControllerTag[4] = {'Q', 'C', 'C', 'M'};
constexpr std::uint8_t kControllerSectionVersion = 1;
constexpr std::uint8_t kNoControllerByte = 0xFF;
constexpr std::size_t kControllerSectionBytes = 6 + kNumParams;

void appendControllerSection(std::vector<std::uint8_t>& chunk, const ControllerAssignments& map);

using ControllerSection = ParsedSection<ControllerAssignments>;

// The bytes after the last pattern record; they may go on with later sections.
ControllerSection parseControllerSection(const std::uint8_t* data, std::size_t size);

} // namespace quelvar
