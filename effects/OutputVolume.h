// Output volume stage: a linear gain, smoothed per sample with a 4 ms one-pole. setVolume from
// any thread (atomic); setSampleRate while processing is stopped; processGlobalVolume on the
// audio thread, no allocation.
#pragma once

#include "dsp/CParamSmooth.h"

#include <atomic>

namespace quelvar
{

class OutputVolume
{
public:
    void setVolume(float v); // linear gain 0–1
    // Re-initialises the smoother, which then rises from silence again.
    void setSampleRate(float rate);

    // silentIn: both channels hold +0 throughout; once the smoother has settled such a block is
    // left as it is, which is what processing it would give.
    void processGlobalVolume(float* left, float* right, int n, bool silentIn = false);

private:
    std::atomic<float> volume{1.0f};
    static_assert(std::atomic<float>::is_always_lock_free);
    CParamSmooth smoother{4.0f, 44100.0f};
};

} // namespace quelvar
