#include "dsp/rspl/ResamplerFlt.h"

#include "dsp/rspl/InterpPack.h"
#include "dsp/rspl/MipMapFlt.h"
#include "engine/wavetables.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

using namespace rspl;

namespace
{

constexpr long kLen = 32768;
constexpr int kPeriod = 1024;
constexpr long kOctave = 65536;

// A sine of one period per 1024 samples, 32 periods, as the oscillator's tables are laid out.
class SinePlayer : public testing::Test
{
protected:
    SinePlayer()
    {
        std::vector<float> x(kLen);
        for (long i = 0; i < kLen; ++i)
            x[static_cast<std::size_t>(i)] =
                static_cast<float>(std::sin(2.0 * std::numbers::pi * i / kPeriod));
        mipMap.init_sample(kLen, 12, 12, 12, quelvar::mipMapFilterCoefs,
                           quelvar::kMipMapFilterTaps);
        mipMap.fill_sample(x.data(), kLen);
        player.set_interp(interp);
        player.set_sample(mipMap);
        player.set_playback_pos(std::uint64_t{8192} << 32);
    }

    std::vector<float> render(long n)
    {
        std::vector<float> y(static_cast<std::size_t>(n));
        player.interpolate_block(y.data(), n);
        return y;
    }

    // In blocks of 32, folding the position back by whole periods as the oscillator does.
    std::vector<float> renderLooping(long n)
    {
        std::vector<float> y(static_cast<std::size_t>(n));
        for (long i = 0; i < n; i += 32)
        {
            const std::uint64_t pos = player.get_playback_pos();
            if ((pos >> 32) > kLen / 2)
                player.set_playback_pos(pos % (std::uint64_t{kPeriod} << 32) +
                                        (std::uint64_t{16 * kPeriod} << 32));
            player.interpolate_block(y.data() + i, std::min(32L, n - i));
        }
        return y;
    }

    InterpPack interp;
    MipMapFlt mipMap;
    ResamplerFlt player;
};

// Cycles per sample from upward zero crossings, interpolated between samples.
double measuredFrequency(const std::vector<float>& y)
{
    double first = -1.0;
    double last = -1.0;
    int count = 0;
    for (std::size_t i = 1; i < y.size(); ++i)
        if (y[i - 1] < 0.0f && y[i] >= 0.0f)
        {
            const double t = static_cast<double>(i - 1) + y[i - 1] / (y[i - 1] - y[i]);
            if (first < 0.0)
                first = t;
            last = t;
            ++count;
        }
    return count > 1 ? (count - 1) / (last - first) : 0.0;
}

float largestStep(const std::vector<float>& y)
{
    float step = 0.0f;
    for (std::size_t i = 1; i < y.size(); ++i)
        step = std::max(step, std::abs(y[i] - y[i - 1]));
    return step;
}

} // namespace

TEST_F(SinePlayer, LevelAndPathFollowThePitch)
{
    struct Case
    {
        long pitch;
        int level;
        bool ovrspl;
    };
    const Case cases[] = {
        {-1, 0, false},           {-3 * kOctave, 0, false}, {0, 0, true},
        {kOctave - 1, 0, true},   {kOctave, 1, true},       {5 * kOctave + 100, 5, true},
        {11 * kOctave, 11, true}, {40 * kOctave, 11, true},
    };
    for (const Case& c : cases)
    {
        player.set_pitch(c.pitch);
        EXPECT_EQ(player.get_level(), c.level) << c.pitch;
        EXPECT_EQ(player.is_oversampling(), c.ovrspl) << c.pitch;
    }
    player.set_pitch(-1000 * kOctave);
    EXPECT_EQ(player.get_pitch(), ResamplerFlt::MIN_PITCH);
}

TEST_F(SinePlayer, PlaysAtTheRequestedRateAndLevel)
{
    for (long pitch : {-2 * kOctave, -100L, 0L, 3 * kOctave / 2, 4 * kOctave + 12345})
    {
        player.set_pitch(pitch);
        player.clear_buffers();
        renderLooping(512); // past the crossfade and the decimator's settling
        const std::vector<float> y = renderLooping(32768);
        const double expected = std::exp2(static_cast<double>(pitch) / kOctave) / kPeriod;
        EXPECT_NEAR(measuredFrequency(y) / expected, 1.0, 1e-4) << pitch;
        const float peak = *std::max_element(y.begin(), y.end());
        EXPECT_NEAR(peak, 1.0f, 0.02f) << pitch;
    }
}

TEST_F(SinePlayer, PositionAdvancesByThePitchInLevelZeroSamples)
{
    player.set_pitch(kOctave / 2);
    const std::uint64_t start = player.get_playback_pos();
    render(1000);
    const double advanced = static_cast<double>(player.get_playback_pos() - start) / 4294967296.0;
    EXPECT_NEAR(advanced, 1000.0 * std::sqrt(2.0), 1e-3);
}

TEST_F(SinePlayer, ChangingLevelOrPathCrossfadesWithoutAJump)
{
    for (long boundary : {0L, kOctave, 4 * kOctave})
    {
        player.set_pitch(boundary - 200);
        renderLooping(600);
        const std::vector<float> before = renderLooping(64);
        player.set_pitch(boundary + 200);
        EXPECT_TRUE(player.is_fading());
        std::vector<float> y = before;
        const std::vector<float> after = renderLooping(ResamplerFlt::FADE_LEN);
        y.insert(y.end(), after.begin(), after.end());
        EXPECT_FALSE(player.is_fading());
        const std::vector<float> settled = renderLooping(64);
        y.insert(y.end(), settled.begin(), settled.end());
        // A sine's own largest step, with a little room.
        const double slope =
            2.0 * std::numbers::pi * std::exp2((boundary + 200.0) / kOctave) / kPeriod;
        EXPECT_LT(largestStep(y), 1.15 * slope) << boundary;
    }
}

TEST_F(SinePlayer, ReadsStayInsideTheTablePastItsEnd)
{
    player.set_pitch(6 * kOctave);
    player.set_playback_pos((std::uint64_t{kLen} - 100) << 32);
    const std::vector<float> y = render(200000);
    for (float v : y)
        ASSERT_TRUE(std::isfinite(v));
    EXPECT_LE(player.get_playback_pos(), std::uint64_t{kLen} << 32);
    // Held at the end.
    EXPECT_LT(largestStep(std::vector<float>(y.end() - 1000, y.end())), 1e-6f);
}

TEST(ResamplerFlt, IsSilentUntilASampleIsBound)
{
    ResamplerFlt player;
    InterpPack interp;
    player.set_interp(interp);
    std::vector<float> y(64, 1.0f);
    player.interpolate_block(y.data(), 64);
    for (float v : y)
        EXPECT_EQ(v, 0.0f);

    MipMapFlt unfilled;
    unfilled.init_sample(kLen, 12, 12, 12, quelvar::mipMapFilterCoefs, quelvar::kMipMapFilterTaps);
    EXPECT_FALSE(player.set_sample(unfilled));
}
