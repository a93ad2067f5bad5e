#include "effects/Overdrive.h"

#include "dsp/clampUnit.h"

#include <cmath>

namespace quelvar
{

void Overdrive::setDrive(float v)
{
    drive.store(clampUnit(v), std::memory_order_relaxed);
}

void Overdrive::setMix(float v)
{
    mix.store(clampUnit(v), std::memory_order_relaxed);
}

namespace
{
// The gain's step per sample for a drive d.
double gainIncrement(float d)
{
    const float k = 19.0f * d + 1.0f;
    return std::pow(10.0, -0.5 * k * 0.05) * (1.0 - 0.999);
}
} // namespace

bool Overdrive::settled() const
{
    const float d = drive.load(std::memory_order_relaxed);
    return driveSmoother.settledAt(d) &&
           mixSmoother.settledAt(mix.load(std::memory_order_relaxed)) &&
           0.999 * g + gainIncrement(driveSmoother.value()) == g;
}

void Overdrive::process(float* buffer, int count)
{
    const float d = driveSmoother.process(drive.load(std::memory_order_relaxed));
    const float k = 19.0f * d + 1.0f;
    const double m = mixSmoother.process(mix.load(std::memory_order_relaxed));
    const double inc = gainIncrement(d);

    for (int i = 0; i < count; ++i)
    {
        const double x = buffer[i];
        g = 0.999 * g + inc;
        const double a = std::fabs(m * x);
        const double y = x * (m * (k + a) * g / (m * m * x * x + (k - 1.0) * a + 1.0) + (1.0 - m));
        buffer[i] = static_cast<float>(y);
    }
}

} // namespace quelvar
