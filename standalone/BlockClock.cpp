#include "standalone/BlockClock.h"

#include <cmath>

namespace quelvar
{

namespace
{
// The share of a callback's delay followed at each block, for one later than expected and one
// earlier: the blocks keep to the earliest callbacks (the others were held up), follow a sound
// card whose clock runs apart from the caller's, and a single late callback moves them by less
// than a hundredth of its delay. Early callbacks (after a fresh start on a late one, or from a
// library that renders two blocks to each of its own periods) are followed within a few blocks.
constexpr double kPullLate = 1.0 / 128.0;
constexpr double kPullEarly = 1.0 / 4.0;
} // namespace

double BlockClock::start(double now, double length, double tolerance)
{
    const double error = now - expected;
    const bool fresh = !running || std::abs(error) > tolerance;
    const double begin = fresh ? now : expected + error * (error < 0.0 ? kPullEarly : kPullLate);
    expected = begin + length;
    running = true;
    return begin;
}

} // namespace quelvar
