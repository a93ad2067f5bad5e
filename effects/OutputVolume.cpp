#include "effects/OutputVolume.h"

#include "dsp/ScopedFlushDenormals.h"
#include "dsp/clampUnit.h"

namespace quelvar
{

void OutputVolume::setVolume(float v)
{
    volume.store(clampUnit(v), std::memory_order_relaxed);
}

void OutputVolume::setSampleRate(float rate)
{
    smoother.init(4.0f, rate);
}

void OutputVolume::processGlobalVolume(float* left, float* right, int n, bool silentIn)
{
    const float v = volume.load(std::memory_order_relaxed);
    if (silentIn && smoother.settledAt(v))
        return;
    // At volume 0 the smoother would settle on the smallest denormal, not on 0.
    const ScopedFlushDenormals flush;
    // The smoother steps once per channel sample, as tuned: twice per frame.
    for (int i = 0; i < n; ++i)
    {
        left[i] *= smoother.process(v);
        right[i] *= smoother.process(v);
    }
}

} // namespace quelvar
