#include "dsp/rspl/InterpPack.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

using rspl::InterpPack;

namespace
{

struct KernelCase
{
    const char* name;
    float (*impulse)(int);
    int taps;
    double centre;
    std::vector<double> wholeTaps; // at +-1, +-2, ...; NaN = not checked
    double dcGain;
};

const double kAny = std::nan("");

const KernelCase kKernels[] = {
    {"normal",
     InterpPack::get_norm_impulse,
     24,
     0.96494,
     {0.03447, -0.0329, 0.03026, kAny, kAny, kAny, kAny, kAny, kAny, kAny, 0.00263},
     0.99418},
    {"oversampled",
     InterpPack::get_ovrspl_impulse,
     12,
     1.159897,
     {-0.14176, 0.09814, -0.05203, 0.02047, -0.0071},
     0.99596},
};

class Kernel : public testing::TestWithParam<KernelCase>
{
};

} // namespace

TEST_P(Kernel, HasTheDesignedImpulse)
{
    const KernelCase& k = GetParam();
    const int length = k.taps * InterpPack::NBR_PHASES;
    const int centre = length / 2;
    EXPECT_NEAR(k.impulse(centre), k.centre, 1e-6);
    for (std::size_t j = 0; j < k.wholeTaps.size(); ++j)
    {
        if (std::isnan(k.wholeTaps[j]))
            continue;
        const int offset = static_cast<int>(j + 1) * InterpPack::NBR_PHASES;
        EXPECT_NEAR(k.impulse(centre + offset), k.wholeTaps[j], 1e-6) << j + 1;
        EXPECT_EQ(k.impulse(centre - offset), k.impulse(centre + offset)) << j + 1;
    }
    double sum = 0.0;
    for (int i = 0; i < length; ++i)
        sum += k.impulse(i);
    EXPECT_NEAR(sum / InterpPack::NBR_PHASES, k.dcGain, 1e-6);
    EXPECT_NEAR(k.impulse(0), 0.0, 1e-3);
    EXPECT_EQ(k.impulse(length), 0.0f);
}

INSTANTIATE_TEST_SUITE_P(InterpPack, Kernel, testing::ValuesIn(kKernels),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(InterpPack, ReadsASlowSineAtEveryFraction)
{
    // A tap order or phase slip shows up as a shifted sine.
    const InterpPack pack;
    constexpr double cyclesPerSample = 0.03;
    std::vector<float> x(64);
    for (std::size_t i = 0; i < x.size(); ++i)
        x[i] = static_cast<float>(std::sin(2.0 * std::numbers::pi * cyclesPerSample * i));
    const float* at = x.data() + 30;
    for (double frac : {0.0, 0.1, 0.25, 0.5, 0.77, 0.999})
    {
        const auto f32 = static_cast<std::uint32_t>(frac * 4294967296.0);
        const double expected = std::sin(2.0 * std::numbers::pi * cyclesPerSample * (30.0 + frac));
        EXPECT_NEAR(pack.interp_norm(at, f32), 0.99418 * expected, 0.004) << frac;
        EXPECT_NEAR(pack.interp_ovrspl(at, f32), 0.99596 * expected, 0.004) << frac;
    }
}
