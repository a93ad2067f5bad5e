// Diode clipper model ("ClipInferno"): a driven, high-passed pre-stage, then a circuit stage
// with table-driven diode and output nonlinearities; run at 4x. setDrive/setScream from any
// thread (atomic); setSamplerate and clear off the audio thread; process() allocates nothing.
#pragma once

#include "dsp/CParamSmooth.h"
#include "dsp/iirRoutines.h"

#include <atomic>

namespace quelvar
{

class Clipper12
{
public:
    static constexpr bool oversampled = true;

    Clipper12() { clear(); }

    void setDrive(float v);
    void setScream(float v);
    // Call while processing is stopped: re-initialises both smoothers at 4x the rate.
    void setSamplerate(int rate);
    // Every state back to its constructed value.
    void clear();

    void process(float* buffer, int count);

private:
    std::atomic<float> drive{0.0f};
    std::atomic<float> scream{0.5f};

    int sampleRate = 44100;
    tbiquad highPass;
    CParamSmooth driveSmoother{4.0f, 4.0f * 44100.0f};
    CParamSmooth screamSmoother{4.0f, 4.0f * 44100.0f};

    // Circuit states.
    double s = 0.0;  // smoothed scream
    double o = 0.0;  // start-up ramp towards 1
    double u1 = 0.0; // input filter
    double u2 = 0.0;
    double p = 0.0; // previous v
    double z = 0.0;
    double r0 = 0.0; // output filter
    double r1 = 0.0;
    double r2 = 0.0;
    double lv = 0.0; // smoothed level
    double t = 0.0;  // previous output term
};

} // namespace quelvar
