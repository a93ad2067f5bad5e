#include "effects/Delay.h"
#include "effects/DistortionSection.h"
#include "effects/OutputVolume.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

using namespace quelvar;

namespace
{

struct RestCase
{
    const char* name;
    int block;
    double rate;
    int distortionType; // -1 off
    float delayFilter;  // -1 delay off; 0.5 none, below low-pass, above high-pass
    bool pingPong;
    bool rests;
    // Done once the chains have rested a while, before the sound comes back.
    void (*whileIdle)(DistortionSection&, Delay&, OutputVolume&) = nullptr;
};

void PrintTo(const RestCase& c, std::ostream* os)
{
    *os << c.name;
}

// The effects in the engine's order, fed as the engine feeds them.
struct Chain
{
    explicit Chain(const RestCase& c)
    {
        distortion.setSampleRate(static_cast<float>(c.rate));
        distortion.resume();
        delay.setSampleRate(c.rate);
        volume.setSampleRate(static_cast<float>(c.rate));
        volume.setVolume(0.8f);
        if (c.distortionType >= 0)
        {
            distortion.setOn(1.0f);
            distortion.setDisto(0.25f * static_cast<float>(c.distortionType));
            distortion.setDistoParam1(0.7f);
            distortion.setDistoParam2(0.4f);
        }
        if (c.delayFilter >= 0.0f)
        {
            delay.setActive(true);
            delay.setSync(false);
            delay.setTime(3000);
            delay.setFeedback(0.3f);
            delay.setVolume(0.5f);
            delay.setTune(c.delayFilter);
            delay.setPingPong(c.pingPong);
        }
    }

    // Returns whether the block passed by the chain at rest.
    bool process(std::vector<float>& left, std::vector<float>& right, bool silentIn)
    {
        const int n = static_cast<int>(left.size());
        bool silent = distortion.process(left.data(), right.data(), n, silentIn);
        silent = delay.process(left.data(), right.data(), n, silent);
        volume.processGlobalVolume(left.data(), right.data(), n, silent);
        return silent;
    }

    DistortionSection distortion;
    Delay delay;
    OutputVolume volume;
};

class EffectsAtRest : public testing::TestWithParam<RestCase>
{
};

bool sameBits(const std::vector<float>& a, const std::vector<float>& b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

} // namespace

// One chain is told when its input is silent and passes such blocks by once at rest, the other
// works through every block: a sound, about fifteen seconds of silence, the sound again. Every
// output sample is the same, bit for bit, the restart included.
TEST_P(EffectsAtRest, RestartAfterIdleEqualsFullProcessing)
{
    const RestCase& c = GetParam();
    Chain resting(c);
    Chain working(c);
    const auto blocksFor = [&](double seconds)
    { return static_cast<int>(std::ceil(seconds * c.rate / c.block)); };
    long long frame = 0;
    int restedBlocks = 0;
    const auto play = [&](int blocks, bool sound)
    {
        for (int b = 0; b < blocks; ++b)
        {
            std::vector<float> left(static_cast<std::size_t>(c.block), 0.0f);
            for (int i = 0; sound && i < c.block; ++i, ++frame)
                left[static_cast<std::size_t>(i)] =
                    0.6f * static_cast<float>(std::sin(frame * 0.013) * std::sin(frame * 1e-4));
            std::vector<float> right = left;
            std::vector<float> l2 = left, r2 = right;
            restedBlocks += resting.process(left, right, !sound) ? 1 : 0;
            working.process(l2, r2, false);
            ASSERT_TRUE(sameBits(left, l2) && sameBits(right, r2))
                << "outputs part in a " << (sound ? "sounding" : "silent") << " block";
        }
    };

    play(blocksFor(0.3), true);
    play(blocksFor(15.0), false);
    const int restedBeforeChange = restedBlocks;
    if (c.whileIdle)
    {
        c.whileIdle(resting.distortion, resting.delay, resting.volume);
        c.whileIdle(working.distortion, working.delay, working.volume);
        play(blocksFor(5.0), false);
    }
    play(blocksFor(0.5), true);

    if (c.rests)
        EXPECT_GT(restedBeforeChange, blocksFor(3.0)) << "the chain never came to rest";
    else
        EXPECT_EQ(restedBlocks, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Chains, EffectsAtRest,
    testing::Values(
        RestCase{"dryOnly", 64, 44100.0, -1, -1.0f, false, true},
        RestCase{"delayPlain", 512, 44100.0, -1, 0.5f, false, true},
        RestCase{"delayHighPassPingPong", 37, 96000.0, -1, 0.8f, true, true},
        // Longer than the line: one block wraps it.
        RestCase{"delayPingPongLongerThanTheLine", 140000, 44100.0, -1, 0.5f, true, true},
        RestCase{"overdrive", 256, 44100.0, 0, -1.0f, false, true},
        RestCase{"hotFuzzIntoDelay", 100, 48000.0, 2, 0.5f, true, true},
        RestCase{"ultracrunch", 1, 44100.0, 3, -1.0f, false, true},
        RestCase{"volumeMovedWhileIdle", 128, 44100.0, 0, 0.5f, false, true,
                 [](DistortionSection&, Delay&, OutputVolume& v) { v.setVolume(0.3f); }},
        RestCase{"delayTimeMovedWhileIdle", 500, 44100.0, -1, 0.7f, true, true,
                 [](DistortionSection&, Delay& d, OutputVolume&) { d.setTime(7777); }},
        RestCase{"distortionMovedWhileIdle", 333, 44100.0, 2, 0.5f, false, true,
                 [](DistortionSection& s, Delay&, OutputVolume&)
                 {
                     s.setDistoParam1(0.2f);
                     s.setDisto(0.75f);
                 }},
        // Its circuit keeps a steady offset on silence.
        RestCase{"clipInfernoNeverRests", 512, 44100.0, 1, -1.0f, false, false},
        // Its noise keeps the line from falling silent.
        RestCase{"delayLowPassNeverRests", 512, 44100.0, -1, 0.2f, false, false}),
    [](const testing::TestParamInfo<RestCase>& info) { return std::string(info.param.name); });
