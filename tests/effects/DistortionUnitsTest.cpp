#include "dsp/voiceSaturator.h"
#include "effects/Clipper12.h"
#include "effects/Cruncher.h"
#include "effects/DistortionSection.h"
#include "effects/Valve.h"
#include "effects/clipperTables.h"
#include "effects/vectorExp.h"
#include "support/EngineHarness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

using namespace quelvar;

TEST(Cruncher, AtDriveZeroPassesSamplesInsideTheThresholdAtHalfLevel)
{
    Cruncher c;
    c.setDrive(0.0f);     // k = 0.11, K = 1.331
    c.setThreshold(0.5f); // 0.4
    EXPECT_FLOAT_EQ(c.getDrive(), 0.11f);
    EXPECT_FLOAT_EQ(c.getThreshold(), 0.4f);

    const float limit = 0.4f / 1.331f;
    std::vector<float> x = {0.0f,          0.1f,           -0.2f, 0.999f * limit, -0.999f * limit,
                            1.01f * limit, -1.01f * limit, 1.0f};
    const std::vector<float> in = x;
    c.process(x.data(), static_cast<int>(x.size()));
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_EQ(x[i], 0.5f * in[i]) << i;
    EXPECT_FLOAT_EQ(x[5], 0.2f);
    EXPECT_FLOAT_EQ(x[6], -0.2f);
    EXPECT_FLOAT_EQ(x[7], 0.2f);
}

TEST(ClipperTables, ReproduceEveryMeasuredRowAndStayMonotone)
{
    struct Case
    {
        const ClipperTable& table;
        const ClipperRow (&rows)[kClipperRows];
        float minimum;
        double direction;
    };
    const Case cases[] = {{kDiodeTable, kDiodeRows, 0.0f, -1.0},
                          {kPositiveTable, kPositiveRows, 0.006f, 1.0},
                          {kNegativeTable, kNegativeRows, 0.006f, 1.0}};
    for (const Case& c : cases)
    {
        EXPECT_EQ(c.table.count, 100);
        EXPECT_FLOAT_EQ(c.table.scale, 101.97f);
        EXPECT_EQ(c.table.minimum, c.minimum);
        for (const ClipperRow& row : c.rows)
            EXPECT_EQ(c.table.entries[row.index], static_cast<float>(row.value)) << row.index;
        for (int i = 1; i < 100; ++i)
            EXPECT_GE((c.table.entries[i] - c.table.entries[i - 1]) * c.direction, 0.0) << i;
    }
    // Both output halves start as the same straight line; they part near index 40.
    for (int i = 1; i <= 30; ++i)
    {
        EXPECT_NEAR(kPositiveTable.entries[i] - kPositiveTable.entries[i - 1], 0.01206, 1e-4);
        EXPECT_NEAR(kNegativeTable.entries[i], kPositiveTable.entries[i], 5e-5);
    }
}

TEST(ClipperTables, LookupInterpolatesAndHoldsAtTheEnds)
{
    const ClipperTable& t = kPositiveTable;
    const double e0 = t.entries[0];
    const double e1 = t.entries[1];
    // Between -1 and 0 the first segment extends; below that the first entry holds.
    const double below = 0.006 - 0.5 / 101.97;
    EXPECT_NEAR(lookupClipperTable(t, below), e0 - 0.5 * (e1 - e0), 1e-6);
    EXPECT_EQ(lookupClipperTable(t, -5.0), e0);
    // Mid-segment blend, then the last entry from index 99 on, even for huge inputs.
    const double mid = 0.006 + 10.25 / static_cast<double>(101.97f);
    EXPECT_NEAR(lookupClipperTable(t, mid), t.entries[10] + 0.25 * (t.entries[11] - t.entries[10]),
                1e-6);
    EXPECT_EQ(lookupClipperTable(t, 1.0), t.entries[99]);
    EXPECT_EQ(lookupClipperTable(t, 1e12), t.entries[99]);
}

TEST(VoiceSaturator, IsNearlyLinearWhenSmallAndLimitsNear1005)
{
    for (long double x : {1e-6L, 1e-4L, -1e-4L})
        EXPECT_NEAR(static_cast<double>(dist_dist(x) / x), 0.998, 0.001);
    EXPECT_NEAR(static_cast<double>(dist_dist(1e4L)), 1.005, 0.001);
    EXPECT_NEAR(static_cast<double>(dist_dist(-1e4L)), -1.005, 0.001);
    EXPECT_EQ(dist_dist(0.3L), -dist_dist(-0.3L));
}

TEST(VectorExp, StaysWithinAFewUlpsOfTheLibraryAndFiniteBeyondItsRange)
{
    double worst = 0.0;
    for (double x = -708.0; x <= 708.0; x += 0.0137)
    {
        for (double v : {x, x * 1e-3, x * 1e-9})
        {
            alignas(16) double e[2];
            _mm_store_pd(e, vectorExp(_mm_set_pd(-v, v)));
            worst = std::max({worst, std::fabs(e[0] / std::exp(v) - 1.0),
                              std::fabs(e[1] / std::exp(-v) - 1.0)});
        }
    }
    EXPECT_LT(worst, 1e-15);
    alignas(16) double e[2];
    _mm_store_pd(e, vectorExp(_mm_set_pd(-1e6, 1e6)));
    EXPECT_TRUE(std::isfinite(e[0]) && e[0] > 1e300);
    EXPECT_TRUE(e[1] >= 0.0 && e[1] < 1e-300);
}

// HotFuzz computes its exponentials two at a time instead of through the library: the output may
// move by a rounding of its float, far below a millionth of full scale, never more.
TEST(Valve, StaysWithinAMillionthOfTheLibraryExponentials)
{
    for (float drive : {0.0f, 0.4f, 1.0f})
    {
        Valve valve;
        valve.setSamplerate(44100);
        valve.setDrive(drive);
        CParamSmooth smoother(4.0f, 4.0f * 44100.0f);
        double gainDb = 0.0;
        double worst = 0.0;
        for (int block = 0; block < 400; ++block)
        {
            std::vector<float> x(256);
            for (int i = 0; i < 256; ++i)
                x[i] = static_cast<float>(1.2 * std::sin(0.0007 * (block * 256 + i) * (1 + block % 7)));
            std::vector<float> y = x;
            valve.process(y.data(), 256);

            const float d = smoother.process(drive);
            const float outputGain =
                static_cast<float>(1.0 - std::log(100.0 * d + 1.0) * 0.75 / std::log(10.0) * 0.5);
            for (int i = 0; i < 256; ++i)
            {
                gainDb = 0.99 * gainDb + (1.0 - 0.99) * (32.0 * d + 3.0);
                const double G = std::pow(10.0, gainDb * 0.05);
                const double v = x[i] * G;
                const double kappa = 1.0 + 0.25 / G;
                const double precise = (std::exp(v * (1.0 - 0.25 / G)) - std::exp(-v * kappa)) /
                                       ((std::exp(v) + std::exp(-v)) * kappa) *
                                       0.7692307692307692 * outputGain;
                worst = std::max(worst, std::fabs(y[i] - precise));
            }
        }
        EXPECT_LT(worst, 1e-6) << "drive " << drive;
    }
}

TEST(Clipper12, ClearStartsOverExactlyAndTheOutputStaysInRange)
{
    auto render = [](Clipper12& c)
    {
        std::vector<float> x(4000);
        for (std::size_t i = 0; i < x.size(); ++i)
            x[i] = 0.7f * std::sin(0.01f * static_cast<float>(i));
        c.process(x.data(), static_cast<int>(x.size()));
        return x;
    };
    Clipper12 c;
    c.setSamplerate(44100);
    c.setDrive(0.5f);
    const std::vector<float> first = render(c);
    c.clear();
    Clipper12 fresh;
    fresh.setSamplerate(44100);
    fresh.setDrive(0.5f);
    render(fresh);
    fresh.clear();
    EXPECT_EQ(render(c), render(fresh));

    const float peak = peakOf(first, 2000);
    EXPECT_GT(peak, 0.01);
    EXPECT_LT(peak, 2.0);
}

namespace
{
struct ExtremeCase
{
    float rate;
    float selector;
    float param2;
};

class DistortionAtExtremes : public ::testing::TestWithParam<ExtremeCase>
{
};
} // namespace

// Full drive, both ends of the second parameter, every type, every rate: seconds of a loud
// saw, then silence, stay finite and bounded.
TEST_P(DistortionAtExtremes, StaysFiniteOverLongRuns)
{
    const ExtremeCase c = GetParam();
    DistortionSection s;
    s.setSampleRate(c.rate);
    s.resume();
    s.setDistoParam1(1.0f);
    s.setDistoParam2(c.param2);
    s.setDisto(c.selector);
    s.setOn(1.0f);

    const int block = 512;
    std::vector<float> left(block), right(block);
    const int blocks = static_cast<int>(3.0f * c.rate) / block;
    double peak = 0.0;
    for (int b = 0; b < blocks; ++b)
    {
        for (int i = 0; i < block; ++i)
        {
            const int k = b * block + i;
            left[static_cast<std::size_t>(i)] =
                b < blocks / 2 ? (static_cast<float>(k % 97) / 48.5f - 1.0f) : 0.0f;
        }
        s.process(left.data(), right.data(), block);
        for (float v : left)
        {
            ASSERT_TRUE(std::isfinite(v)) << b;
            peak = std::max(peak, static_cast<double>(std::fabs(v)));
        }
    }
    EXPECT_LT(peak, 4.0);
    EXPECT_LT(std::fabs(left.back()), 1e-2); // the silent half has settled
}

INSTANTIATE_TEST_SUITE_P(
    RatesAndTypes, DistortionAtExtremes,
    ::testing::Values(ExtremeCase{8000.0f, 0.0f, 1.0f}, ExtremeCase{8000.0f, 0.25f, 0.0f},
                      ExtremeCase{8000.0f, 0.5f, 1.0f}, ExtremeCase{8000.0f, 0.75f, 0.0f},
                      ExtremeCase{44100.0f, 0.0f, 0.0f}, ExtremeCase{44100.0f, 0.25f, 1.0f},
                      ExtremeCase{44100.0f, 0.5f, 0.0f}, ExtremeCase{44100.0f, 0.75f, 1.0f},
                      ExtremeCase{192000.0f, 0.0f, 1.0f}, ExtremeCase{192000.0f, 0.25f, 0.0f},
                      ExtremeCase{192000.0f, 0.5f, 1.0f}, ExtremeCase{192000.0f, 0.75f, 0.0f}));
