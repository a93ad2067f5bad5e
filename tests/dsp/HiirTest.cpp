#include "dsp/hiir/Downsampler2x.h"
#include "dsp/hiir/Downsampler4x.h"
#include "dsp/hiir/PolyphaseIir2Designer.h"
#include "dsp/hiir/Upsampler2x.h"
#include "dsp/hiir/Upsampler4x.h"
#include "support/AllocGuard.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace
{
constexpr double kOuter[8] = {0.0771150798, 0.2659685265, 0.4820706251, 0.6651041533,
                              0.7968204713, 0.8841015086, 0.9412514278, 0.9820054142};
constexpr double kInner[3] = {0.0814300232, 0.3156598402, 0.7097708001};

// Plain per-sample half-band chains, the textbook form the vector stages must match.
template <int NC> struct ReferenceChains
{
    float a[NC] = {};
    float x[NC] = {};
    float y[NC] = {};

    explicit ReferenceChains(const double* coefs)
    {
        for (int i = 0; i < NC; ++i)
            a[i] = static_cast<float>(coefs[i]);
    }

    // Runs chain `c` (sections c, c + 2, …) on one sample.
    float run(int c, float in)
    {
        for (int i = c; i < NC; i += 2)
        {
            const float out = x[i] + a[i] * (in - y[i]);
            x[i] = in;
            y[i] = out;
            in = out;
        }
        return in;
    }
};

std::vector<float> testSignal(int n)
{
    std::vector<float> s(static_cast<std::size_t>(n));
    unsigned state = 12345u;
    for (int i = 0; i < n; ++i)
    {
        state = state * 1664525u + 1013904223u;
        s[static_cast<std::size_t>(i)] =
            0.5f * std::sin(0.05f * static_cast<float>(i)) +
            0.25f * (static_cast<float>(state >> 8) / 16777216.0f - 0.5f);
    }
    return s;
}

// Level of frequency `cycles` / n (exact bin) over x[start, start + n), in dB re full scale.
double binLevelDb(const std::vector<float>& x, std::size_t start, std::size_t n, double cycles)
{
    double re = 0.0;
    double im = 0.0;
    for (std::size_t i = 0; i < n; ++i)
    {
        const double phase = 2.0 * std::numbers::pi * cycles * static_cast<double>(i) / n;
        re += x[start + i] * std::cos(phase);
        im += x[start + i] * std::sin(phase);
    }
    const double amplitude = 2.0 * std::hypot(re, im) / static_cast<double>(n);
    return 20.0 * std::log10(amplitude + 1e-30);
}

std::vector<float> sine(std::size_t n, double cycles, std::size_t period)
{
    std::vector<float> s(n);
    for (std::size_t i = 0; i < n; ++i)
        s[i] = static_cast<float>(
            0.5 * std::sin(2.0 * std::numbers::pi * cycles * static_cast<double>(i) / period));
    return s;
}
} // namespace

TEST(PolyphaseIir2Designer, ReproducesTheOversamplerCoefficients)
{
    double coefs[16] = {};
    ASSERT_EQ(hiir::PolyphaseIir2Designer::compute_nbr_coefs(69.0, 0.01), 8);
    ASSERT_EQ(hiir::PolyphaseIir2Designer::compute_coefs(coefs, 69.0, 0.01), 8);
    for (int i = 0; i < 8; ++i)
        EXPECT_NEAR(coefs[i], kOuter[i], 1e-9) << i;

    ASSERT_EQ(hiir::PolyphaseIir2Designer::compute_coefs(coefs, 69.0, 0.2), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(coefs[i], kInner[i], 1e-9) << i;

    EXPECT_EQ(hiir::PolyphaseIir2Designer::compute_coefs(coefs, 69.0, 0.5), 0);
    EXPECT_EQ(hiir::PolyphaseIir2Designer::compute_coefs(coefs, 69.0, 0.0), 0);
}

class HalfBandStage : public ::testing::TestWithParam<int>
{
};

// The pipelined stages must equal the per-sample chains exactly, whatever the block split.
TEST_P(HalfBandStage, MatchesPerSampleChainsForAnyBlockSplit)
{
    const int block = GetParam();
    const int n = 600;
    const std::vector<float> in = testSignal(2 * n);

    hiir::Upsampler2x<8> up8;
    hiir::Upsampler2x<3> up3;
    hiir::Downsampler2x<8> down8;
    hiir::Downsampler2x<3> down3;
    up8.set_coefs(kOuter);
    up3.set_coefs(kInner);
    down8.set_coefs(kOuter);
    down3.set_coefs(kInner);
    ReferenceChains<8> refUp8(kOuter), refDown8(kOuter);
    ReferenceChains<3> refUp3(kInner), refDown3(kInner);

    std::vector<float> outUp8(2 * n), outUp3(2 * n), outDown8(n), outDown3(n);
    const int before = allocGuard::count();
    {
        allocGuard::NoAllocScope guard;
        for (int done = 0; done < n; done += block)
        {
            const int len = std::min(block, n - done);
            up8.process_block(&outUp8[2 * done], &in[done], len);
            up3.process_block(&outUp3[2 * done], &in[done], len);
            down8.process_block(&outDown8[done], &in[2 * done], len);
            down3.process_block(&outDown3[done], &in[2 * done], len);
        }
    }
    EXPECT_EQ(allocGuard::count(), before);

    for (int i = 0; i < n; ++i)
    {
        const std::size_t k = static_cast<std::size_t>(i);
        ASSERT_EQ(outUp8[2 * k], refUp8.run(0, in[k])) << i;
        ASSERT_EQ(outUp8[2 * k + 1], refUp8.run(1, in[k])) << i;
        ASSERT_EQ(outUp3[2 * k], refUp3.run(0, in[k])) << i;
        ASSERT_EQ(outUp3[2 * k + 1], refUp3.run(1, in[k])) << i;
        const float d8 = 0.5f * (refDown8.run(0, in[2 * k + 1]) + refDown8.run(1, in[2 * k]));
        const float d3 = 0.5f * (refDown3.run(0, in[2 * k + 1]) + refDown3.run(1, in[2 * k]));
        ASSERT_EQ(outDown8[k], d8) << i;
        ASSERT_EQ(outDown3[k], d3) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(BlockSizes, HalfBandStage, ::testing::Values(1, 2, 3, 5, 64, 600));

TEST(Oversampler4x, RoundTripOfALowSineKeepsItsShape)
{
    hiir::Upsampler4x up;
    hiir::Downsampler4x down;
    ASSERT_TRUE(up.set_nbr_chn(1));
    ASSERT_TRUE(down.set_nbr_chn(1));

    const std::size_t n = 8192;
    const std::size_t period = 4096;
    const double cycles = 93.0; // about 1 kHz at 44.1 kHz
    const std::vector<float> in = sine(n, cycles, period);
    std::vector<float> high(4 * n), back(n);
    for (std::size_t done = 0; done < n; done += 64)
    {
        up.process_block_1ch(0, &high[4 * done], &in[done], 64);
        down.process_block_1ch(0, &back[done], &high[4 * done], 64);
    }

    // Least-squares fit of a sine at the test frequency over the settled half.
    double cc = 0.0, ss = 0.0, cs = 0.0, yc = 0.0, ys = 0.0;
    for (std::size_t i = period; i < n; ++i)
    {
        const double phase = 2.0 * std::numbers::pi * cycles * static_cast<double>(i) / period;
        const double c = std::cos(phase), s = std::sin(phase);
        cc += c * c;
        ss += s * s;
        cs += c * s;
        yc += back[i] * c;
        ys += back[i] * s;
    }
    const double det = cc * ss - cs * cs;
    const double a = (yc * ss - ys * cs) / det;
    const double b = (ys * cc - yc * cs) / det;
    EXPECT_NEAR(std::hypot(a, b), 0.5, 0.5 * 0.002); // within 0.02 dB

    double residual = 0.0;
    for (std::size_t i = period; i < n; ++i)
    {
        const double phase = 2.0 * std::numbers::pi * cycles * static_cast<double>(i) / period;
        const double e = back[i] - (a * std::cos(phase) + b * std::sin(phase));
        residual += e * e;
    }
    EXPECT_LT(std::sqrt(residual / period), 0.5 * 1e-3); // below -60 dB of the signal
}

TEST(Oversampler4x, UpsamplerRejectsImagesAndDownsamplerRejectsAliases)
{
    hiir::Upsampler4x up;
    hiir::Downsampler4x down;
    ASSERT_TRUE(up.set_nbr_chn(1));
    ASSERT_TRUE(down.set_nbr_chn(1));

    // A tone at 0.2 of the base rate: its images in the 4x stream sit at 0.8, 1.2 and 1.8.
    const std::size_t n = 8192;
    const std::size_t period = 2048;
    const double cycles = 0.2 * period;
    const std::vector<float> in = sine(n, cycles, period);
    std::vector<float> high(4 * n);
    up.process_block_1ch(0, high.data(), in.data(), static_cast<int>(n));

    const std::size_t start = 4 * (n - period);
    const double fundamental = binLevelDb(high, start, 4 * period, cycles);
    EXPECT_NEAR(fundamental, 20.0 * std::log10(0.5), 0.05);
    for (double image : {0.8, 1.2, 1.8})
        EXPECT_LT(binLevelDb(high, start, 4 * period, image * period) - fundamental, -65.0)
            << image;

    // A 4x-rate tone at 0.7 of the base rate would fold to 0.3 after decimation.
    const std::vector<float> above = sine(4 * n, 0.7 * period, 4 * period);
    std::vector<float> low(n);
    down.process_block_1ch(0, low.data(), above.data(), static_cast<int>(n));
    EXPECT_LT(binLevelDb(low, n - period, period, 0.3 * period) - 20.0 * std::log10(0.5), -65.0);
}

TEST(Oversampler4x, ClearBuffersForgetsThePast)
{
    hiir::Upsampler4x up;
    ASSERT_TRUE(up.set_nbr_chn(2));
    EXPECT_EQ(up.get_nbr_chn(), 2);
    const std::vector<float> burst(64, 0.9f);
    const std::vector<float> silence(64, 0.0f);
    std::vector<float> out(256);
    up.process_block_1ch(1, out.data(), burst.data(), 64);
    up.clear_buffers();
    up.process_block_1ch(1, out.data(), silence.data(), 64);
    for (float v : out)
        ASSERT_EQ(v, 0.0f);
}
