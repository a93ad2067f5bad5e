// Asymmetric tanh-like valve stage whose gain rises with drive; run at 4x. setDrive from any
// thread (atomic); setSamplerate off the audio thread; process() audio thread, no allocation.
#pragma once

#include "dsp/CParamSmooth.h"

#include <atomic>

namespace quelvar
{

class Valve
{
public:
    static constexpr bool oversampled = true;

    void setDrive(float v);
    // Call while processing is stopped: it re-initialises the drive smoother.
    void setSamplerate(int rate);

    void process(float* buffer, int count);
    // Its smoother and gain would not move in a further call: silence in gives +0 out and
    // leaves the unit as it is.
    bool settled() const;

private:
    std::atomic<float> drive{0.0f};
    double gainDb = 0.0; // settles at 32 * drive + 3 dB
    CParamSmooth driveSmoother{4.0f, 4.0f * 44100.0f};
};

} // namespace quelvar
