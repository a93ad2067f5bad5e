#include "effects/Valve.h"

#include "dsp/clampUnit.h"

#include <cmath>

namespace quelvar
{

void Valve::setDrive(float v)
{
    drive.store(clampUnit(v), std::memory_order_relaxed);
}

void Valve::setSamplerate(int rate)
{
    const float r = static_cast<float>(rate);
    driveSmoother.init(4.0f, oversampled ? 4.0f * r : r);
}

void Valve::process(float* buffer, int count)
{
    const float d = driveSmoother.process(drive.load(std::memory_order_relaxed));
    const float outputGain =
        static_cast<float>(1.0 - std::log(100.0 * d + 1.0) * 0.75 / std::log(10.0) * 0.5);
    const double target = 32.0 * d + 3.0;

    for (int i = 0; i < count; ++i)
    {
        gainDb = 0.99 * gainDb + (1.0 - 0.99) * target;
        const double G = std::pow(10.0, gainDb * 0.05);
        const double x = buffer[i] * G;
        const double kappa = 1.0 + 0.25 / G;
        const double e1 = std::exp(x * (1.0 - 0.25 / G));
        const double e2 = std::exp(-x * kappa);
        const double y =
            (e1 - e2) / ((std::exp(x) + std::exp(-x)) * kappa) * 0.7692307692307692 * outputGain;
        buffer[i] = static_cast<float>(y);
    }
}

} // namespace quelvar
