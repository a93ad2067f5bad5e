// One-pole parameter smoother: z follows the input with time constant `timeMs`, one step per
// process() call. Not thread-safe; owned by whoever calls process().
#pragma once

#include <cmath>
#include <numbers>

namespace quelvar
{

class CParamSmooth
{
public:
    CParamSmooth(float timeMs = 4.0f, float sampleRate = 44100.0f) { init(timeMs, sampleRate); }

    // A rate or time of 0 or less gives no smoothing rather than a runaway pole.
    void init(float timeMs, float sampleRate)
    {
        const double steps = static_cast<double>(timeMs) * 0.001 * sampleRate;
        a = steps > 0.0 ? static_cast<float>(std::exp(-2.0 * std::numbers::pi / steps)) : 0.0f;
        b = 1.0f - a;
        z = 0.0f;
    }

    float value() const { return z; }
    // A step towards x would leave it where it is.
    bool settledAt(float x) const { return x * b + z * a == z; }

    float process(float x)
    {
        z = x * b + z * a;
        return z;
    }

private:
    float a = 0.0f;
    float b = 1.0f;
    float z = 0.0f;
};

} // namespace quelvar
