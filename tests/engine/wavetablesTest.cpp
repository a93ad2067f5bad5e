#include "engine/wavetables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <vector>

using namespace quelvar;

TEST(generate_steady_saw, RampsFromMinusOneToOneInEveryPeriod)
{
    std::vector<float> t(4096);
    generate_steady_saw(t.data(), 4096, 1024);
    for (int j : {0, 1, 511, 1022, 1023})
        for (int period = 0; period < 4; ++period)
            EXPECT_FLOAT_EQ(t[period * 1024 + j], static_cast<float>(-1.0 + j * 2.0 / 1023)) << j;
    EXPECT_EQ(t[1023], 1.0f);
    EXPECT_EQ(t[1024], -1.0f);
}

TEST(squarevirus, HasTheSampledSquareShape)
{
    const auto& v = squarevirus;
    const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
    // The extremes are the short overshoots right after each edge.
    EXPECT_NEAR(*hi, 0.938f, 0.002f);
    EXPECT_NEAR(*lo, -0.966f, 0.002f);
    EXPECT_LE(hi - v.begin(), 4);
    EXPECT_GE(lo - v.begin(), 525);
    EXPECT_LE(lo - v.begin(), 527);

    // Low before the rising edge at 2-3, high after it.
    EXPECT_LT(v[1], -0.4f);
    EXPECT_GT(v[3], 0.6f);
    // Settles near 0.71, then creeps up to 0.775 over the next dozen samples.
    for (int i = 5; i <= 7; ++i)
        EXPECT_NEAR(v[static_cast<unsigned>(i)], 0.71f, 0.02f) << i;
    EXPECT_NEAR(*std::max_element(v.begin() + 10, v.begin() + 30), 0.775f, 0.005f);
    // Sags to about 0.41 by sample 524, just before the falling edge at 525-527.
    EXPECT_NEAR(v[524], 0.41f, 0.01f);
    EXPECT_NEAR(v[527], -0.77f, 0.03f);
    EXPECT_NEAR(v[1023], -0.44f, 0.01f);
    for (int i = 30; i < 524; ++i)
        EXPECT_LE(v[static_cast<unsigned>(i)], v[static_cast<unsigned>(i - 1)]) << i;
    for (int i = 540; i < 1024; ++i)
        EXPECT_GE(v[static_cast<unsigned>(i)], v[static_cast<unsigned>(i - 1)]) << i;

    EXPECT_NEAR(std::accumulate(v.begin(), v.end(), 0.0) / v.size(), 0.0, 1e-4);
}

TEST(generate_stored_square, RepeatsTheSquareAtTheStoredLevel)
{
    std::vector<float> t(3000);
    generate_stored_square(t.data(), 3000);
    for (int i : {0, 3, 524, 1023, 1027, 2999})
        EXPECT_FLOAT_EQ(t[static_cast<unsigned>(i)],
                        squarevirus[static_cast<unsigned>(i % 1024)] / 1.5f * 1.5979444f);
}
