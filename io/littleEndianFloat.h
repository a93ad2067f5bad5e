// 32-bit IEEE floats in little-endian byte order at any (unaligned) position, as the chunk and
// the pattern file store parameter values.
#pragma once

#include <cstdint>
#include <cstring>

namespace quelvar
{

inline void putFloatLE(std::uint8_t* at, float v)
{
    std::uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<std::uint8_t>(bits >> (8 * i));
}

inline float getFloatLE(const std::uint8_t* at)
{
    std::uint32_t bits = 0;
    for (int i = 0; i < 4; ++i)
        bits |= static_cast<std::uint32_t>(at[i]) << (8 * i);
    float v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

} // namespace quelvar
