#include "dsp/clampUnit.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace quelvar;

namespace
{
struct ClampCase
{
    float in;
    float out;
};

class ClampUnit : public testing::TestWithParam<ClampCase>
{
};
} // namespace

// Hosts, files and the panel all pass through this one clamp: nothing it returns may be NaN,
// negative zero or outside 0–1.
TEST_P(ClampUnit, HoldsEveryValueInsideZeroToOne)
{
    const float v = clampUnit(GetParam().in);
    EXPECT_EQ(v, GetParam().out);
    EXPECT_FALSE(std::signbit(v));
}

INSTANTIATE_TEST_SUITE_P(
    Edges, ClampUnit,
    testing::Values(ClampCase{std::numeric_limits<float>::quiet_NaN(), 0.0f},
                    ClampCase{-std::numeric_limits<float>::infinity(), 0.0f},
                    ClampCase{std::numeric_limits<float>::infinity(), 1.0f},
                    ClampCase{-0.0f, 0.0f}, ClampCase{-1e-30f, 0.0f},
                    ClampCase{std::numeric_limits<float>::denorm_min(),
                              std::numeric_limits<float>::denorm_min()},
                    ClampCase{0.25f, 0.25f}, ClampCase{1.0f, 1.0f}, ClampCase{1.5f, 1.0f}));
