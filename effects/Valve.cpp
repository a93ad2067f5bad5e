#include "effects/Valve.h"

#include "dsp/clampUnit.h"
#include "effects/vectorExp.h"

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

bool Valve::settled() const
{
    const float d = drive.load(std::memory_order_relaxed);
    const double target = 32.0 * driveSmoother.value() + 3.0;
    return driveSmoother.settledAt(d) && 0.99 * gainDb + (1.0 - 0.99) * target == gainDb;
}

void Valve::process(float* buffer, int count)
{
    const float d = driveSmoother.process(drive.load(std::memory_order_relaxed));
    const float outputGain =
        static_cast<float>(1.0 - std::log(100.0 * d + 1.0) * 0.75 / std::log(10.0) * 0.5);
    const double target = 32.0 * d + 3.0;

    // Once the gain has settled (a step leaves it as it is), its power of ten and the values
    // made from it hold for the whole call.
    const bool settled = 0.99 * gainDb + (1.0 - 0.99) * target == gainDb;
    double G = std::pow(10.0, gainDb * 0.05);
    double kappa = 1.0 + 0.25 / G;
    double lean = -0.25 / G;
    for (int i = 0; i < count; ++i)
    {
        if (!settled)
        {
            gainDb = 0.99 * gainDb + (1.0 - 0.99) * target;
            G = std::pow(10.0, gainDb * 0.05);
            kappa = 1.0 + 0.25 / G;
            lean = -0.25 / G;
        }
        const double x = buffer[i] * G;
        // (e^(x (1 - 0.25/G)) - e^(-x kappa)) / ((e^x + e^-x) kappa): with c = e^(-0.25 x / G)
        // the four exponentials are c (e^2x - 1) / ((e^2x + 1) kappa), two of them at once.
        alignas(16) double e[2];
        _mm_store_pd(e, vectorExp(_mm_set_pd(x * lean, 2.0 * x)));
        const double y =
            e[1] * (e[0] - 1.0) / ((e[0] + 1.0) * kappa) * 0.7692307692307692 * outputGain;
        buffer[i] = static_cast<float>(y);
    }
}

} // namespace quelvar
