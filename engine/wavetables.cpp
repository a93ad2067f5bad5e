#include "engine/wavetables.h"

#include <cmath>

namespace quelvar
{

namespace
{

// Step response of an edge, 0 before it: an underdamped second-order rise (decay alpha,
// angular frequency omega) blended with a first-order tail of time constant tailSamples.
double edgeStep(double t, double alpha, double omega, double tailShare, double tailSamples)
{
    if (t <= 0.0)
        return 0.0;
    const double fast =
        1.0 - std::exp(-alpha * t) * (std::cos(omega * t) + alpha / omega * std::sin(omega * t));
    const double slow = 1.0 - std::exp(-t / tailSamples);
    return (1.0 - tailShare) * fast + tailShare * slow;
}

// A +-1 square whose rise settles slowly and whose fall rings, through a one-pole AC coupling
// (time constant 794 samples) run to its periodic steady state: that gives the droop between
// the edges and a zero mean. The shape constants are a least-squares fit to the square's
// overshoots, settling levels and sag.
std::array<float, kSquareVirusLength> makeSquareVirus()
{
    constexpr int n = kSquareVirusLength;
    constexpr double riseAt = 1.54;
    constexpr double fallAt = 524.714;
    constexpr double level = 0.616;
    constexpr double couplingSamples = 794.0;

    double x[n];
    for (int i = 0; i < n; ++i)
    {
        if (i >= fallAt)
            x[i] = 1.0 - 2.0 * edgeStep(i - fallAt, 1.748, 3.0, 0.0, 1.0);
        else if (i >= riseAt)
            x[i] = -1.0 + 2.0 * edgeStep(i - riseAt, 0.807, 2.507, 0.1933, 4.427);
        else
            x[i] = -1.0;
    }

    const double a = std::exp(-1.0 / couplingSamples);
    double y = 0.0;
    double previous = x[n - 1];
    double out[n];
    for (int pass = 0; pass < 8; ++pass)
        for (int i = 0; i < n; ++i)
        {
            y = a * (y + x[i] - previous);
            previous = x[i];
            out[i] = y;
        }

    double mean = 0.0;
    for (double v : out)
        mean += v;
    mean /= n;

    std::array<float, n> table{};
    for (int i = 0; i < n; ++i)
        table[static_cast<unsigned>(i)] = static_cast<float>(level * (out[i] - mean));
    return table;
}

} // namespace

const std::array<float, kSquareVirusLength> squarevirus = makeSquareVirus();

// Parks-McClellan equiripple, 81 taps: passband 0-0.225, stopband 0.275-0.5 of the source
// rate, stopband weight 100. Its ripple leaves the DC gain at 1.0024222.
// clang-format off
const double mipMapFilterCoefs[kMipMapFilterTaps / 2 + 1] = {
    0.4900273874, 0.3176382757, 0.009908930771, -0.1041018935, -0.009719550593,
    0.06037160312, 0.009411374397, -0.04095867041, -0.008993687303, 0.02971806374,
    0.008479591244, -0.02225965965, -0.007884756779, 0.01690351872, 0.007226610031,
    -0.01286996135, -0.006524811739, 0.009746961422, 0.00579846115, -0.007294029088,
    -0.005067457982, 0.005358361364, 0.004347045423, -0.003838234309, -0.003657747155,
    0.002655276516, 0.003009892088, -0.001750193532, -0.00241732264, 0.001076466716,
    0.001886374043, -0.0005903598292, -0.001427331739, 0.0002618629784, 0.001043007134,
    -5.638448426e-05, -0.0007641618462, -5.20770713e-05, 0.0007321838627, 0.000652681315,
    0.0001991612514,};
// clang-format on

void generate_steady_saw(float table[], int length, int period)
{
    if (table == nullptr || length <= 0 || period <= 0)
        return;
    const double slope = period > 1 ? 2.0 / (period - 1) : 0.0;
    for (int i = 0; i < length; ++i)
        table[i] = static_cast<float>(-1.0 + (i % period) * slope);
}

void generate_stored_square(float table[], int length)
{
    if (table == nullptr || length <= 0)
        return;
    for (int i = 0; i < length; ++i)
        table[i] = squarevirus[static_cast<unsigned>(i % kSquareVirusLength)] / 1.5f * 1.5979444f;
}

} // namespace quelvar
