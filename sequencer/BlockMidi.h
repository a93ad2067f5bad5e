// A MIDI channel message at a frame of a block: status, data 1, data 2 (0 where unused).
#pragma once

#include <array>
#include <cstdint>

namespace quelvar
{

struct BlockMidi
{
    int frame = 0;
    std::array<std::uint8_t, 3> bytes{};
    bool operator==(const BlockMidi&) const = default;
};

} // namespace quelvar
