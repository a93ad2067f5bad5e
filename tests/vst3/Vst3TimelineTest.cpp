// The process context as the engine's host time: where hosts round their musical position, when
// a position is a jump, and a cycle wrapping inside a block.
#include "vst3/Vst3Timeline.h"

#include <gtest/gtest.h>

using namespace quelvar;
using namespace quelvar::vst3;

namespace
{
constexpr double kRate = 48000.0; // 24000 samples a beat at 120 BPM

ProcessContext playingAt(double beats, long long samples)
{
    ProcessContext c{};
    c.state = ProcessContext::kPlaying | ProcessContext::kTempoValid |
              ProcessContext::kProjectTimeMusicValid;
    c.tempo = 120.0;
    c.projectTimeMusic = beats;
    c.projectTimeSamples = samples;
    return c;
}
} // namespace

// A start 752 samples before the song's start, given as -60 ticks of 1920 to the beat: the sample
// count is the finer; a position within half a sample of the count is taken as given.
TEST(Vst3Timeline, APositionRoundedToTicksIsTakenFromTheSampleCount)
{
    Vst3Timeline timeline;
    timeline.init(kRate);
    RenderInput in;
    ProcessContext c = playingAt(-60.0 / 1920.0, -752);
    timeline.read(&c, 752, in);
    EXPECT_TRUE(in.time.playing);
    EXPECT_TRUE(in.time.transportChanged);
    EXPECT_DOUBLE_EQ(in.time.ppqPosition, -752.0 / 24000.0);

    in.clear();
    c = playingAt(6.5, 156000);
    timeline.read(&c, 100, in);
    EXPECT_DOUBLE_EQ(in.time.ppqPosition, 6.5) << "a jump";
    EXPECT_TRUE(in.time.transportChanged);
}

struct JumpCase
{
    const char* name;
    double ticksOff; // from where playing has led, in ticks of 1920 to the beat
    bool jump;
};

class Vst3TimelineJump : public testing::TestWithParam<JumpCase>
{
};

TEST_P(Vst3TimelineJump, IsAPositionBeyondTheHostsRounding)
{
    Vst3Timeline timeline;
    timeline.init(kRate);
    RenderInput in;
    ProcessContext c = playingAt(1.0, 24000);
    timeline.read(&c, 1200, in); // 0.05 beats
    in.clear();
    const double beats = 1.05 + GetParam().ticksOff / 1920.0;
    c = playingAt(beats, 1000000); // a sample count that says nothing
    timeline.read(&c, 512, in);
    EXPECT_EQ(in.time.transportChanged, GetParam().jump);
    EXPECT_DOUBLE_EQ(in.time.ppqPosition, beats);
}

INSTANTIATE_TEST_SUITE_P(
    Offsets, Vst3TimelineJump,
    testing::Values(JumpCase{"onTheCount", 0.0, false}, JumpCase{"oneTickLate", 1.0, false},
                    JumpCase{"almostTwoTicksEarly", -1.9, false},
                    JumpCase{"threeTicksLate", 3.0, true}, JumpCase{"aBeatBack", -1920.0, true}),
    [](const testing::TestParamInfo<JumpCase>& info) { return std::string(info.param.name); });

// A cycle the block runs past wraps at the first frame whose position reaches its end; the
// next block, from the cycle's start on, is no jump.
TEST(Vst3Timeline, ACycleWrapsInsideTheBlockAtItsFrame)
{
    Vst3Timeline timeline;
    timeline.init(kRate);
    RenderInput in;
    ProcessContext c = playingAt(3.99, 95760);
    c.state |= ProcessContext::kCycleActive | ProcessContext::kCycleValid;
    c.cycleStartMusic = 0.0;
    c.cycleEndMusic = 4.0;
    timeline.read(&c, 1024, in);
    ASSERT_EQ(in.transport.size(), 1);
    EXPECT_EQ(in.transport[0].frame, 240);
    EXPECT_TRUE(in.transport[0].time.transportChanged);
    EXPECT_DOUBLE_EQ(in.transport[0].time.ppqPosition, 0.0);

    in.clear();
    c = playingAt(784.0 / 24000.0, 784);
    timeline.read(&c, 1024, in);
    EXPECT_FALSE(in.time.transportChanged);
    EXPECT_EQ(in.transport.size(), 0);
}

// A change in a block of no frames is kept for the next block; no context is a stopped host.
TEST(Vst3Timeline, AChangeInABlockOfNoFramesWaitsForFrames)
{
    Vst3Timeline timeline;
    timeline.init(kRate);
    RenderInput in;
    ProcessContext c = playingAt(2.0, 48000);
    timeline.read(&c, 0, in);
    EXPECT_TRUE(in.time.transportChanged);
    timeline.read(&c, 64, in);
    EXPECT_TRUE(in.time.transportChanged);
    timeline.read(nullptr, 64, in);
    EXPECT_FALSE(in.time.playing);
    EXPECT_TRUE(in.time.transportChanged);
}
