// Soft overdrive with a dry/wet mix, run at the host rate. Setters from any thread (atomic
// stores read at the next block); process() on the audio thread, no allocation.
#pragma once

#include "dsp/CParamSmooth.h"

#include <atomic>

namespace quelvar
{

class Overdrive
{
public:
    static constexpr bool oversampled = false;

    void setDrive(float v);
    void setMix(float v); // wet share 0–1

    void process(float* buffer, int count);
    // Its smoothers and gain would not move in a further call: silence in gives +0 out and
    // leaves the unit as it is.
    bool settled() const;

private:
    std::atomic<float> drive{0.0f};
    std::atomic<float> mix{1.0f};
    static_assert(std::atomic<float>::is_always_lock_free);

    double g = 0.0; // gain, settles at 10^(-k/40)
    // Smoothed per block at 4 ms of 44.1 kHz blocks; never re-initialised, as tuned.
    CParamSmooth driveSmoother{4.0f, 44100.0f};
    CParamSmooth mixSmoother{4.0f, 44100.0f};
};

} // namespace quelvar
