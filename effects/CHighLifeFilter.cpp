#include "effects/CHighLifeFilter.h"

namespace quelvar
{

std::uint32_t CHighLifeFilter::nextNoise()
{
    // xorshift32: never 0, so the shifted result covers 0 … 2^31 - 1.
    noiseState ^= noiseState << 13;
    noiseState ^= noiseState >> 17;
    noiseState ^= noiseState << 5;
    return noiseState >> 1;
}

float CHighLifeFilter::work(float input, float cut, float resonance, int mode)
{
    const float q = 1.0f - cut;
    p = cut + 0.8f * cut * q;
    f = p + p - 1.0f;
    k = resonance * 0.89f * (0.5f * q * (1.0f - q + 5.6f * q * q) + 1.0f);

    // The noise (up to 2e-5) keeps the poles out of denormal numbers on decaying input.
    const float in = input + static_cast<float>(static_cast<double>(nextNoise()) * 1e-14) - k * y4;
    const float n1 = (in + x) * p - f * y1;
    const float n2 = (n1 + y1) * p - f * y2;
    const float n3 = (n2 + y2) * p - f * y3;
    const float n4 = (n3 + y3) * p - f * y4;
    oldy2 = y2;
    oldy3 = y3;
    x = in;
    y1 = n1;
    y2 = n2;
    y3 = n3;
    y4 = n4;

    switch (mode)
    {
    case 1:
        return n4;
    case 2:
        return in - n4;
    case 3:
        return 3.0f * (n3 - n4);
    case 4:
        return 3.0f * (n3 - n4) - in;
    default:
        return 0.0f;
    }
}

void CHighLifeFilter::clear_filter()
{
    k = p = f = x = y1 = y2 = y3 = y4 = oldy2 = oldy3 = 0.0f;
}

} // namespace quelvar
