// Four-pole resonant filter (low, high, band and notch outputs) used in the delay's feedback
// path. Audio thread only; no allocation.
#pragma once

#include <cstdint>

namespace quelvar
{

class CHighLifeFilter
{
public:
    // cut and resonance 0–1; mode 1 low-pass, 2 high-pass, 3 band-pass, 4 band-pass minus
    // input, anything else 0.
    float work(float input, float cut, float resonance, int mode);
    void clear_filter();

private:
    // Stand-in for rand(): same range (0 … 2^31 - 1), but lock-free and per filter, so the
    // audio thread never takes the C library's lock.
    std::uint32_t nextNoise();

    float k = 0.0f;
    float p = 0.0f;
    float f = 0.0f;
    float x = 0.0f;
    float y1 = 0.0f;
    float y2 = 0.0f;
    float y3 = 0.0f;
    float y4 = 0.0f;
    float oldy2 = 0.0f;
    float oldy3 = 0.0f;
    std::uint32_t noiseState = 0x9E3779B9u;
};

} // namespace quelvar
