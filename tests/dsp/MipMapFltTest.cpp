#include "dsp/rspl/MipMapFlt.h"

#include "engine/wavetables.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

using rspl::MipMapFlt;
using namespace quelvar;

namespace
{

constexpr long kLen = 32768;

MipMapFlt build(const std::vector<float>& data)
{
    MipMapFlt m;
    EXPECT_TRUE(m.init_sample(static_cast<long>(data.size()), 12, 12, 12, mipMapFilterCoefs,
                              kMipMapFilterTaps));
    EXPECT_TRUE(m.fill_sample(data.data(), static_cast<long>(data.size())));
    return m;
}

std::vector<float> sine(double cyclesPerSample)
{
    std::vector<float> x(kLen);
    for (long i = 0; i < kLen; ++i)
        x[static_cast<std::size_t>(i)] =
            static_cast<float>(std::sin(2.0 * std::numbers::pi * cyclesPerSample * i));
    return x;
}

double rmsAround(const MipMapFlt& m, int level, long middle, long halfWidth)
{
    double sum = 0.0;
    for (long i = middle - halfWidth; i < middle + halfWidth; ++i)
        sum += m.use_table(level)[i] * m.use_table(level)[i];
    return std::sqrt(sum / (2 * halfWidth));
}

} // namespace

TEST(MipMapFlt, FilterHasTheDesignedTaps)
{
    MipMapFlt m = build(std::vector<float>(1024, 0.0f));
    ASSERT_EQ(m.get_nbr_taps(), 81);
    const double telling[] = {0.490027, 0.317638, 0.009909, -0.104102, -0.00972, 0.060372};
    for (int t = 0; t < 6; ++t)
    {
        EXPECT_NEAR(m.get_filter_coef(t), telling[t], 1e-6) << t;
        EXPECT_EQ(m.get_filter_coef(-t), m.get_filter_coef(t));
    }
    EXPECT_NEAR(m.get_filter_coef(40), 0.000199, 5e-7);
    EXPECT_EQ(m.get_filter_coef(41), 0.0f);
    double sum = 0.0;
    for (int t = -40; t <= 40; ++t)
        sum += m.get_filter_coef(t);
    EXPECT_NEAR(sum, 1.0024222, 1e-7);
}

TEST(MipMapFlt, LevelsHalveAndCarryPadding)
{
    MipMapFlt m = build(std::vector<float>(kLen, 1.0f));
    ASSERT_EQ(m.get_nbr_tables(), 12);
    EXPECT_EQ(m.get_padding(), 80);
    for (int l = 0; l < 12; ++l)
        EXPECT_EQ(m.get_lev_len(l), (kLen + (1L << l) - 1) >> l) << l;
    EXPECT_EQ(m.get_lev_len(11), 16);

    MipMapFlt odd = build(std::vector<float>(1001, 1.0f));
    EXPECT_EQ(odd.get_lev_len(1), 501);
    EXPECT_EQ(odd.get_lev_len(3), 126);
}

TEST(MipMapFlt, EachLevelKeepsTheFilterDcGainAndSpillsIntoThePadding)
{
    MipMapFlt m = build(std::vector<float>(kLen, 1.0f));
    for (int l = 0; l < 8; ++l)
    {
        const float* t = m.use_table(l);
        const long mid = m.get_lev_len(l) / 2;
        EXPECT_NEAR(t[mid], std::pow(1.0024222, l), 2e-5) << l;
    }
    // Level 0's padding is silent; the filter tails reach into level 1's.
    EXPECT_EQ(m.use_table(0)[-1], 0.0f);
    EXPECT_EQ(m.use_table(0)[kLen], 0.0f);
    EXPECT_GT(std::abs(m.use_table(1)[-1]), 0.01f);
    EXPECT_GT(std::abs(m.use_table(1)[m.get_lev_len(1)]), 0.01f);
    EXPECT_EQ(m.use_table(1)[-80], 0.0f);
}

TEST(MipMapFlt, LevelsAreBandLimited)
{
    // 0.1 cycles per source sample passes; 0.4 lies in the stopband and must not alias back.
    const MipMapFlt pass = build(sine(0.1));
    EXPECT_NEAR(rmsAround(pass, 1, 8192, 500), std::sqrt(0.5), 0.003);
    const MipMapFlt stop = build(sine(0.4));
    EXPECT_LT(rmsAround(stop, 1, 8192, 500), 1e-3);
}

TEST(MipMapFlt, FillsInPartsAndRefusesBadShapes)
{
    const std::vector<float> data = sine(0.01);
    MipMapFlt whole = build(data);
    MipMapFlt parts;
    ASSERT_TRUE(parts.init_sample(kLen, 12, 12, 12, mipMapFilterCoefs, kMipMapFilterTaps));
    EXPECT_FALSE(parts.fill_sample(data.data(), 1000));
    EXPECT_FALSE(parts.is_ready());
    EXPECT_TRUE(parts.fill_sample(data.data() + 1000, kLen)); // the excess is ignored
    for (int l : {0, 3, 11})
        for (long i = -80; i < parts.get_lev_len(l) + 80; i += 7)
            ASSERT_EQ(parts.use_table(l)[i], whole.use_table(l)[i]) << l << " " << i;

    MipMapFlt bad;
    EXPECT_FALSE(bad.init_sample(kLen, 12, 12, 12, mipMapFilterCoefs, 80));
    EXPECT_FALSE(bad.init_sample(0, 12, 12, 12, mipMapFilterCoefs, 81));
    EXPECT_FALSE(bad.fill_sample(data.data(), kLen));
}

// The repeat shortcut copies outputs instead of summing them: every level must come out with the
// same bits as the full build, including a sample that breaks its repeat once in the middle.
TEST(MipMapFlt, BuildingByRepeatsGivesTheSameBits)
{
    std::vector<float> saw(kLen);
    generate_steady_saw(saw.data(), static_cast<int>(kLen), 1024);
    std::vector<float> broken = saw;
    broken[20000] = 0.25f;
    for (const std::vector<float>* data : {&saw, &broken})
    {
        const MipMapFlt full = build(*data);
        MipMapFlt byRepeats;
        ASSERT_TRUE(byRepeats.init_sample(kLen, 12, 12, 12, mipMapFilterCoefs, kMipMapFilterTaps));
        byRepeats.set_repeat(1024);
        ASSERT_TRUE(byRepeats.fill_sample(data->data(), kLen));
        for (int level = 0; level < full.get_nbr_tables(); ++level)
        {
            const long pad = full.get_padding();
            const long n = full.get_lev_len(level) + 2 * pad;
            EXPECT_EQ(0, std::memcmp(full.use_table(level) - pad, byRepeats.use_table(level) - pad,
                                     sizeof(float) * static_cast<std::size_t>(n)))
                << "level " << level;
        }
    }
}
