// What the engine is told of the host's transport for the kinds of time:Position hosts send:
// bar and beat, beats alone, a frame alone (a host without musical time), other beat units and
// speeds, and positions that only confirm where playing has led.
#include "lv2/HostTimeline.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace quelvar;

namespace
{
constexpr double kRate = 48000.0;

bool changed(const HostTimeline& t)
{
    return t.time().transportChanged;
}

bool playing(const HostTimeline& t)
{
    return t.time().playing;
}
} // namespace

struct PositionCase
{
    const char* name;
    PositionFields fields;
    double ppq;
    double tempo;
    bool playing;
};

class HostTimelineReads : public testing::TestWithParam<PositionCase>
{
};

TEST_P(HostTimelineReads, TheHostsPosition)
{
    HostTimeline t;
    t.init(kRate);
    t.apply(GetParam().fields);
    EXPECT_DOUBLE_EQ(t.time().ppqPosition, GetParam().ppq);
    EXPECT_DOUBLE_EQ(t.time().tempo, GetParam().tempo);
    EXPECT_EQ(playing(t), GetParam().playing);
    EXPECT_EQ(changed(t), GetParam().playing) << "a start is a transport change";
}

INSTANTIATE_TEST_SUITE_P(
    Positions, HostTimelineReads,
    testing::Values(
        PositionCase{"barAndBeat",
                     {.speed = 1.0,
                      .bar = 2.0,
                      .barBeat = 1.5,
                      .beatUnit = 4.0,
                      .beatsPerBar = 4.0,
                      .beatsPerMinute = 140.0},
                     9.5,
                     140.0,
                     true},
        PositionCase{
            "beatsAlone", {.speed = 1.0, .beat = 6.25, .beatsPerMinute = 90.0}, 6.25, 90.0, true},
        PositionCase{"frameAlone", {.frame = 96000.0, .speed = 1.0}, 4.0, 120.0, true},
        PositionCase{"eighthNoteBeats",
                     {.speed = 1.0,
                      .bar = 1.0,
                      .barBeat = 3.0,
                      .beatUnit = 8.0,
                      .beatsPerBar = 6.0,
                      .beatsPerMinute = 180.0},
                     4.5,
                     90.0,
                     true},
        PositionCase{
            "halfSpeed", {.speed = 0.5, .beat = 2.0, .beatsPerMinute = 120.0}, 2.0, 60.0, true},
        PositionCase{
            "backwards", {.speed = -1.0, .beat = 2.0, .beatsPerMinute = 120.0}, 2.0, 120.0, false},
        PositionCase{"stopped", {.speed = 0.0, .beat = 3.0}, 3.0, 120.0, false}),
    [](const testing::TestParamInfo<PositionCase>& info) { return std::string(info.param.name); });

// Positions rounded to ticks of 1/1920 beat (up to 12 frames off here) only confirm the count;
// a jump is a jump, told by the frame where the host sends one.
TEST(HostTimeline, APositionWherePlayingLedIsNoChange)
{
    const auto ticks = [](double beats) { return std::floor(beats * 1920.0) / 1920.0; };
    HostTimeline t;
    t.init(kRate);
    t.apply({.frame = 0.0, .speed = 1.0, .beat = 0.0, .beatsPerMinute = 120.0});
    t.advance(1000);
    EXPECT_FALSE(changed(t));
    t.apply({.frame = 1000.0, .speed = 1.0, .beat = ticks(1000.0 / kRate * 2.0)});
    EXPECT_FALSE(changed(t));
    t.advance(500);
    t.apply({.frame = 1000.0, .speed = 1.0, .beat = ticks(1000.0 / kRate * 2.0)});
    EXPECT_TRUE(changed(t)) << "500 frames back is a jump";
    t.advance(0);
    EXPECT_TRUE(changed(t)) << "a block of no frames keeps the change for the next";
    t.advance(1);
    EXPECT_FALSE(changed(t));

    // Without frames, the musical position tells.
    t.advance(999);
    t.apply({.speed = 1.0, .beat = ticks(2000.0 / kRate * 2.0)});
    EXPECT_FALSE(changed(t));
    t.apply({.speed = 1.0, .beat = ticks(1000.0 / kRate * 2.0)});
    EXPECT_TRUE(changed(t));
}
