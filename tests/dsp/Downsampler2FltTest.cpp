#include "dsp/rspl/Downsampler2Flt.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using rspl::Downsampler2Flt;

namespace
{

// Peak output over the last half of 4000 output samples for a tone at the 2x input rate.
float tonePeak(double cyclesPerInputSample)
{
    Downsampler2Flt d;
    float peak = 0.0f;
    for (int i = 0; i < 4000; ++i)
    {
        const double w = 2.0 * std::numbers::pi * cyclesPerInputSample;
        const auto even = static_cast<float>(0.5 * std::sin(w * 2 * i));
        const auto odd = static_cast<float>(0.5 * std::sin(w * (2 * i + 1)));
        const float y = d.process_sample(even, odd);
        if (i >= 2000)
            peak = std::max(peak, std::abs(y));
    }
    return peak;
}

} // namespace

TEST(Downsampler2Flt, UnityDcGainOnBothPaths)
{
    Downsampler2Flt pairs;
    Downsampler2Flt single;
    float a = 0.0f;
    float b = 0.0f;
    for (int i = 0; i < 2000; ++i)
    {
        a = pairs.process_sample(0.5f, 0.5f);
        b = single.process_sample_single(1.0f);
    }
    EXPECT_NEAR(a, 1.0f, 1e-5f);
    EXPECT_NEAR(b, 1.0f, 1e-5f);
}

TEST(Downsampler2Flt, IsAHalfBandLowPass)
{
    EXPECT_NEAR(tonePeak(0.1), 1.0f, 1e-3f);
    EXPECT_NEAR(tonePeak(0.22), 1.0f, 1e-3f);
    EXPECT_LT(tonePeak(0.29), 1e-4f);
    EXPECT_LT(tonePeak(0.4), 1e-4f);
}

TEST(Downsampler2Flt, SilenceAfterSoundEndsInExactZeros)
{
    Downsampler2Flt d;
    for (int i = 0; i < 100; ++i)
        d.process_sample_single(i % 2 ? 1.0f : -0.7f);
    float y = 1.0f;
    for (int block = 0; block < 200; ++block)
    {
        for (int i = 0; i < 32; ++i)
            y = d.process_sample_single(0.0f);
        d.flush_tiny_states();
    }
    EXPECT_EQ(y, 0.0f);
}
