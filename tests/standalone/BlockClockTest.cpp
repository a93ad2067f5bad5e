#include "standalone/BlockClock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace quelvar
{

// Callbacks that wake up to a tenth of a millisecond late still give blocks that follow one another
// by their frames, within a frame, also when the sound card's clock runs 0.05 % apart and when a
// block was rendered ahead at the start (a buffer being filled). A restart is followed at once.
TEST(BlockClock, PacesBlocksByTheirFramesDespiteWakeUpDelays)
{
    constexpr double kRate = 48000.0;
    constexpr double kLengthNs = 512 * 1e9 / kRate;
    for (const double cardSpeed : {1.0, 1.0005, 0.9995})
    {
        BlockClock clock;
        std::mt19937 random(7);
        std::uniform_real_distribution<double> lateNs(0.0, 1e5);
        const double periodNs = kLengthNs / cardSpeed;
        double worstFrames = 0.0;
        double previous = 0.0;
        for (int block = 0; block < 3000; ++block)
        {
            double now = 1e12 + block * periodNs + lateNs(random);
            if (block == 1)
                now -= periodNs; // rendered ahead, right after the first
            const double begin = clock.start(now, kLengthNs, 2 * kLengthNs);
            if (block > 300)
                worstFrames =
                    std::max(worstFrames, std::abs(begin - previous - periodNs) * kRate / 1e9);
            previous = begin;
        }
        EXPECT_LT(worstFrames, 1.0) << "card speed " << cardSpeed;
        const double restart = previous + 2e9;
        EXPECT_EQ(clock.start(restart, kLengthNs, 2 * kLengthNs), restart);
    }
}

} // namespace quelvar
