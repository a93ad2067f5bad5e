#include "support/EngineHarness.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>

using namespace quelvar;

namespace
{
std::string display(Palladon& engine, int index)
{
    char text[64] = {};
    engine.getParameterDisplay(index, text);
    return text;
}
} // namespace

TEST(EngineEffects, DelayTimeIsShownInMilliseconds)
{
    Palladon engine(nullptr);
    engine.setSampleRate(44100.0f);
    EXPECT_EQ(display(engine, kDelayTime), "250"); // synced eighth at 120 BPM
    engine.setParameter(kDelaySync, 0.0f);
    engine.setParameter(kDelayTime, 1.0f);
    EXPECT_EQ(display(engine, kDelayTime), "1000"); // two beats free
}

TEST(EngineEffects, DistortionTypeIsShownAndToldToTheEditor)
{
    EngineHarness h;
    const std::pair<float, const char*> cases[] = {
        {0.25f, "ClipInferno"}, {0.5f, "HotFuzz"}, {0.75f, "Ultracrunch"}, {1.0f, "Ultracrunch"}};
    for (auto [v, name] : cases)
    {
        h.engine().setParameter(kDistSelect, v);
        EXPECT_EQ(display(h.engine(), kDistSelect), name);
    }
    EXPECT_EQ(h.editor().distortionTypes, (std::vector<int>{1, 2, 3, 3}));
}

TEST(EngineEffects, DelayFollowsTheTempoInForce)
{
    EngineHarness h;
    h.engine().setParameter(kDelayOn, 1.0f);
    h.setTempo(140.0);
    h.play();
    h.render(512);
    EXPECT_NEAR(h.engine().getDelay().getSamplesPerBeat(), 44100.0 * 60.0 / 140.0, 1e-6);
    EXPECT_EQ(h.engine().getDelay().getDelayTime(),
              static_cast<int>(0.5 * 44100.0 * 60.0 / 140.0));

    h.engine().setParameter(kSyncType, 0.5f);
    EXPECT_NEAR(h.engine().getDelay().getSamplesPerBeat(), 22050.0, 1e-6);
    h.engine().setParameter(kTempo, (100.0f - 40.0f) / 260.0f);
    EXPECT_NEAR(h.engine().getDelay().getSamplesPerBeat(), 26460.0, 1e-6);
    h.setTempo(90.0);
    h.render(512);
    EXPECT_NEAR(h.engine().getDelay().getSamplesPerBeat(), 26460.0, 1e-6);
}

TEST(EngineEffects, VolumeZeroSilencesBothChannelsOnceSettled)
{
    EngineHarness h;
    h.engine().setParameter(kVolume, 0.0f);
    h.play();
    const std::vector<float> left = h.render(44100);
    EXPECT_EQ(peakOf(left, 4410), 0.0f);
    EXPECT_EQ(peakOf(h.lastRight, 4410), 0.0f);
}

TEST(EngineEffects, EchoesKeepSoundingAfterTheSequencerStops)
{
    EngineHarness h;
    h.engine().setParameter(kDelayOn, 1.0f);
    h.engine().setParameter(kDelayFeedback, 0.8f);
    h.play();
    h.render(44100);
    h.stop();
    h.render(4410);
    EXPECT_GT(peakOf(h.render(22050)), 0.01f);
}

TEST(EngineEffects, HostBlocksLongerThanTheDryCopyWork)
{
    EngineHarness h(Flavour::plugin, 44100.0, 8192);
    h.engine().setParameter(kDistOn, 1.0f);
    h.play();
    h.render(30000, 30000);
    h.engine().setParameter(kDistSelect, 0.5f);
    const std::vector<float> out = h.render(40000, 40000);
    EXPECT_TRUE(allFinite(out));
    EXPECT_GT(peakOf(out), 0.05f);
}

namespace
{
struct ExtremeCase
{
    float rate;
    float distSelect;
    float delayFilter;
    float tempo;
};

class EngineEffectsExtreme : public testing::TestWithParam<ExtremeCase>
{
};
} // namespace

TEST_P(EngineEffectsExtreme, StayFiniteForAMinute)
{
    const ExtremeCase c = GetParam();
    EngineHarness h(Flavour::plugin, c.rate, 1024);
    Palladon& e = h.engine();
    for (int slot : {kDistOn, kDistParam1, kDistParam2, kDelayOn, kDelayFeedback, kDelayVolume,
                     kDelayPing, kResonance, kEnvMod, kAccent, kVolume})
        e.setParameter(slot, 1.0f);
    e.setParameter(kDistSelect, c.distSelect);
    e.setParameter(kDelayFilter, c.delayFilter);
    e.setParameter(kDelayTime, 0.0f);
    h.setTempo(c.tempo);
    h.play();
    std::vector<float> left(1024), right(1024);
    const int blocks = static_cast<int>(60.0f * c.rate / 1024.0f);
    for (int b = 0; b < blocks; ++b)
    {
        h.renderInto(left.data(), right.data(), 1024, 1024);
        for (int i = 0; i < 1024; ++i)
            ASSERT_TRUE(std::isfinite(left[i]) && std::isfinite(right[i])) << b;
    }
}

INSTANTIATE_TEST_SUITE_P(
    DriveAndFeedbackAtOne, EngineEffectsExtreme,
    testing::Values(ExtremeCase{44100.0f, 0.0f, 0.0f, 300.0f},
                    ExtremeCase{8000.0f, 0.25f, 1.0f, 40.0f},
                    ExtremeCase{192000.0f, 0.5f, 0.25f, 300.0f},
                    ExtremeCase{48000.0f, 0.75f, 0.75f, 40.0f},
                    ExtremeCase{96000.0f, 0.25f, 0.5f, 130.0f}));
