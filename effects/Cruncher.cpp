#include "effects/Cruncher.h"

#include "dsp/clampUnit.h"

namespace quelvar
{

void Cruncher::setDrive(float v)
{
    k.store(clampUnit(v) * 0.3f + 0.11f, std::memory_order_relaxed);
}

void Cruncher::setThreshold(float v)
{
    threshold.store(clampUnit(v) * 0.4f + 0.2f, std::memory_order_relaxed);
}

void Cruncher::process(float* buffer, int count)
{
    const float kk = k.load(std::memory_order_relaxed);
    const float K = kk * kk * kk * 1000.0f;
    const float t = threshold.load(std::memory_order_relaxed);
    for (int i = 0; i < count; ++i)
    {
        const float x = buffer[i];
        float y = x;
        if (x * K > t)
            y = t;
        else if (x * K < -t)
            y = -t;
        buffer[i] = y * kOutputGain;
    }
}

} // namespace quelvar
