#include "standalone/TransportRecord.h"

#include <gtest/gtest.h>

namespace quelvar
{

namespace
{
// Feeds one quarter note of clock: 24 ticks after `t` whose intervals add up to `quarterMs`.
long long quarter(TransportRecord& r, long long t, int quarterMs)
{
    for (int i = 1; i <= 24; ++i)
    {
        t += quarterMs / 24 + (i <= quarterMs % 24 ? 1 : 0);
        r.clockTick(t);
    }
    return t;
}
} // namespace

TEST(TransportRecord, TempoIsTheAverageOfEach24ClockIntervalsPublishedAtTheTick25)
{
    TransportRecord r;
    r.reset(44100.0);
    long long t = 1000;
    r.clockTick(t); // tick 1 starts the measurement
    t = quarter(r, t, 400);
    EXPECT_DOUBLE_EQ(r.getTempo(), 150.0); // published at tick 25

    // 23 more ticks: still the old value; the 24th of them (tick 49) publishes.
    for (int i = 0; i < 23; ++i)
        r.clockTick(t += 21);
    EXPECT_DOUBLE_EQ(r.getTempo(), 150.0);
    r.clockTick(t += 500 - 23 * 21);
    EXPECT_DOUBLE_EQ(r.getTempo(), 120.0);

    // A pause is carried into the next average instead of being forgotten.
    t += 500;
    t = quarter(r, t, 500);
    EXPECT_DOUBLE_EQ(r.getTempo(), 60.0);
}

TEST(TransportRecord, StartContinueAndStopDriveTheFlagsAndPosition)
{
    TransportRecord r;
    r.reset(48000.0);
    r.clockTick(0);
    r.clockTick(20);
    EXPECT_DOUBLE_EQ(r.getPpq(), 2.0 / 24.0);

    r.start();
    EXPECT_DOUBLE_EQ(r.getPpq(), 0.0);
    EXPECT_EQ(r.getFlags(), kVstTransportChanged | kVstTransportPlaying);
    r.clockTick(40);
    EXPECT_EQ(r.getFlags(), kVstTransportPlaying); // a tick clears "changed"
    EXPECT_DOUBLE_EQ(r.getPpq(), 1.0 / 24.0);

    r.stop();
    EXPECT_EQ(r.getFlags(), kVstTransportChanged);
    EXPECT_DOUBLE_EQ(r.getPpq(), 1.0 / 24.0);
    r.continuePlaying();
    EXPECT_EQ(r.getFlags(), kVstTransportChanged | kVstTransportPlaying);
    EXPECT_DOUBLE_EQ(r.getPpq(), 1.0 / 24.0);

    VstTimeInfo* info = r.timeInfo();
    EXPECT_DOUBLE_EQ(info->sampleRate, 48000.0);
    EXPECT_DOUBLE_EQ(info->tempo, 120.0);
    EXPECT_EQ(info->timeSigNumerator, 4);
    EXPECT_EQ(info->timeSigDenominator, 4);
    EXPECT_EQ(info->flags, kVstTransportChanged | kVstTransportPlaying);
    // The change is told once, not at every block until the next tick.
    EXPECT_EQ(info, r.timeInfo());
    EXPECT_EQ(info->flags, kVstTransportPlaying);
}

} // namespace quelvar
