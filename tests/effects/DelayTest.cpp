#include "effects/Delay.h"
#include "effects/DelayBuffer.h"
#include "support/AllocGuard.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace quelvar;

namespace
{
// Applies pending time changes without touching the signal.
void settle(Delay& d)
{
    float l = 0.0f, r = 0.0f;
    d.process(&l, &r, 0);
}

// Reads and writes until the head stops gliding; returns the number of reads it took.
int glideLength(DelayBuffer& b)
{
    int reads = 0;
    while (b.getSpeed() != 1.0 && reads < 1000000)
    {
        b.read();
        b.write(0.0f);
        ++reads;
    }
    return reads;
}
} // namespace

TEST(Delay, TimeIsHeldBetween176AndTheLineLength)
{
    Delay d;
    d.setTime(10);
    EXPECT_EQ(d.getDelayTime(), 176);
    d.setTime(500000);
    EXPECT_EQ(d.getDelayTime(), 131071);

    DelayBuffer b;
    b.setNewDelayTime(131072);
    EXPECT_EQ(b.getTargetDelay(), 131071);
    b.setDelayTime(400000);
    EXPECT_EQ(b.getCurrentDelay(), 131071);
}

TEST(Delay, SyncedAndFreeTimesFollowTheTempo)
{
    Delay d;
    d.setSamplePerBeat(120.0, 44100.0);
    d.setSync(true);
    d.setTimeF(0.5f);
    EXPECT_EQ(d.getDelayTime(), 11025);
    EXPECT_FLOAT_EQ(d.getTimeF(), 3.0f / 7.0f);

    const int beats8[8] = {2756, 5512, 8268, 11025, 16537, 22050, 33075, 44100};
    for (int n = 0; n < 8; ++n)
    {
        d.setTimeF((static_cast<float>(n) + 0.5f) / 7.0f);
        EXPECT_EQ(d.getDelayTime(), beats8[n]) << n;
    }

    d.setSync(false); // re-applies 1.0 as a free value: two beats
    d.setTimeF(1.0f);
    EXPECT_EQ(d.getDelayTime(), 44100);
    EXPECT_FLOAT_EQ(d.getTimeF(), 1.0f);
    d.setTimeF(0.25f);
    EXPECT_EQ(d.getDelayTime(), 11025);

    // A host tempo of 0 (or a rate of 0) is ignored; update() then changes nothing.
    d.setSamplePerBeat(0.0, 44100.0);
    d.setSamplePerBeat(90.0, 0.0);
    d.update();
    EXPECT_EQ(d.getDelayTime(), 11025);
    EXPECT_DOUBLE_EQ(d.getTempo(), 120.0);

    // The new tempo applies at update(), not before.
    d.setSamplePerBeat(60.0, 48000.0);
    EXPECT_EQ(d.getDelayTime(), 11025);
    d.update();
    EXPECT_EQ(d.getDelayTime(), 24000);
    EXPECT_EQ(d.getSampleRate(), 48000);
    d.setSampleRate(96000.0);
    d.update();
    EXPECT_EQ(d.getDelayTime(), 48000);
}

TEST(Delay, FilterKnobSelectsModeAndArgument)
{
    Delay d;
    d.setTune(0.5f);
    EXPECT_EQ(d.getFilterMode(), Delay::kNoFilter);
    d.setTune(0.25f);
    EXPECT_EQ(d.getFilterMode(), Delay::kLowPass);
    EXPECT_FLOAT_EQ(d.getLpCut(), 0.25f); // the filter runs with cut 0.25^2
    d.setTune(0.75f);
    EXPECT_EQ(d.getFilterMode(), Delay::kHighPass);
    EXPECT_FLOAT_EQ(d.getHpCoef(), 0.5f * 0.051f + 0.0068027f);
}

// Shortening plays the line back at 1.5x until the head arrives, lengthening at 0.5x; then
// the speed is 1 again and the new delay holds.
TEST(DelayBuffer, GlidesAtOneAndAHalfOrHalfSpeedThenSettles)
{
    DelayBuffer b;
    b.setNewDelayTime(12050);
    EXPECT_EQ(b.getSpeed(), 1.5);
    EXPECT_NEAR(glideLength(b), 2 * 10000, 2);
    EXPECT_EQ(b.getCurrentDelay(), 12050);

    b.setNewDelayTime(20050);
    EXPECT_EQ(b.getSpeed(), 0.5);
    EXPECT_NEAR(glideLength(b), 2 * 8000, 2);
    EXPECT_EQ(b.getCurrentDelay(), 20050);

    b.setNewDelayTime(20050); // same length: speed 0.5, ends at once
    EXPECT_EQ(b.getSpeed(), 0.5);
    EXPECT_EQ(glideLength(b), 1);
}

// A glide whose read head passes the end of the ring runs its full length, without a jump.
TEST(DelayBuffer, GlideAcrossTheEndOfTheRingRunsItsFullLength)
{
    for (int before : {1, 100, 3000})
    {
        DelayBuffer b;
        // Put the read head `before` samples ahead of the ring's end.
        auto headNearEnd = [&]
        {
            while (((b.getWriteCount() - b.getCurrentDelay()) & DelayBuffer::kMask) !=
                   DelayBuffer::kCapacity - before)
            {
                b.read();
                b.write(0.0f);
            }
        };
        headNearEnd();
        b.setNewDelayTime(32050);
        EXPECT_NEAR(glideLength(b), 2 * 10000, 2) << before;
        headNearEnd();
        b.setNewDelayTime(2050);
        EXPECT_NEAR(glideLength(b), 2 * 30000, 2) << before;
    }
}

TEST(DelayBuffer, EchoRepeatsTheWrittenSignalAfterTheDelay)
{
    DelayBuffer b;
    b.setDelayTime(300);
    std::vector<float> out;
    for (int i = 0; i < 1000; ++i)
    {
        out.push_back(b.read());
        b.write(static_cast<float>(i));
    }
    for (int i = 300; i < 1000; ++i)
        ASSERT_EQ(out[static_cast<std::size_t>(i)], static_cast<float>(i - 300));
}

TEST(Delay, WithoutPingPongBothChannelsGetTheDrySignalPlusTheEcho)
{
    Delay d;
    d.setActive(true);
    d.setVolume(0.5f);
    d.setFeedback(0.5f);
    const int n = 50000;
    std::vector<float> in(n), l(n), r(n, 9.0f);
    for (int i = 0; i < n; ++i)
        in[static_cast<std::size_t>(i)] = 0.3f * std::sin(0.02f * static_cast<float>(i));
    l = in;
    d.process(l.data(), r.data(), n);
    EXPECT_EQ(l, r);
    for (int i = 0; i < 22050; ++i)
        ASSERT_EQ(l[static_cast<std::size_t>(i)], in[static_cast<std::size_t>(i)]);
    for (int i = 22050; i < 44100; ++i)
    {
        const std::size_t k = static_cast<std::size_t>(i);
        ASSERT_FLOAT_EQ(l[k], in[k] + 0.5f * in[k - 22050]) << i;
    }
    // Second repeat: fed back at 0.5.
    const std::size_t k = 44100 + 10;
    EXPECT_FLOAT_EQ(l[k], in[k] + 0.5f * (in[k - 22050] + 0.5f * in[k - 44100]));
}

TEST(Delay, PingPongStartsEachEchoOnOneSideAndAlternates)
{
    Delay d;
    d.setActive(true);
    d.setVolume(1.0f);
    d.setFeedback(1.0f);
    d.setPingPong(true);
    const int n = 22050 * 3 + 2000;
    std::vector<float> l(n, 0.0f), r(n, 0.0f);
    l[0] = 1.0f;
    d.process(l.data(), r.data(), n);
    // The first echo (frame 22050) starts right after a side flip at write 22050.
    const std::size_t e1 = 22050, e2 = 44100;
    EXPECT_EQ(l[0], 1.0f);
    EXPECT_EQ(r[0], 0.0f);
    EXPECT_GT(std::fabs(l[e1]) + std::fabs(r[e1]), 0.9f);
    const bool firstLeft = std::fabs(l[e1]) > std::fabs(r[e1]);
    const bool secondLeft = std::fabs(l[e2]) > std::fabs(r[e2]);
    EXPECT_NE(firstLeft, secondLeft);
}

TEST(Delay, SwitchingOffClearsTheLine)
{
    Delay d;
    d.setActive(true);
    d.setVolume(1.0f);
    std::vector<float> l(1000, 0.5f), r(1000);
    d.process(l.data(), r.data(), 1000);
    d.setActive(false);
    d.setActive(true);
    std::vector<float> silent(30000, 0.0f), r2(30000);
    d.process(silent.data(), r2.data(), 30000);
    for (float v : silent)
        ASSERT_EQ(v, 0.0f);
}

class DelayAtExtremes : public ::testing::TestWithParam<std::tuple<float, float, bool>>
{
};

// Feedback 1 with every filter setting, at both rate extremes, with and without ping-pong:
// long runs stay finite, and the filtered loops stay bounded.
TEST_P(DelayAtExtremes, StaysFinite)
{
    const auto [rate, tune, ping] = GetParam();
    Delay d;
    d.setSampleRate(rate);
    d.setSamplePerBeat(300.0, rate);
    d.setSync(true);
    d.setTimeF(0.0f);
    d.setActive(true);
    d.setVolume(1.0f);
    d.setFeedback(1.0f);
    d.setTune(tune);
    d.setPingPong(ping);
    settle(d);

    const int block = 1024;
    std::vector<float> l(block), r(block);
    const int blocks = static_cast<int>(10.0f * rate) / block;
    for (int b = 0; b < blocks; ++b)
    {
        for (int i = 0; i < block; ++i)
            l[static_cast<std::size_t>(i)] =
                b < 20 ? 0.9f * std::sin(0.05f * static_cast<float>(b * block + i)) : 0.0f;
        d.process(l.data(), r.data(), block);
        for (int i = 0; i < block; ++i)
        {
            ASSERT_TRUE(std::isfinite(l[static_cast<std::size_t>(i)]));
            ASSERT_TRUE(std::isfinite(r[static_cast<std::size_t>(i)]));
            if (tune != 0.5f)
            {
                ASSERT_LT(std::fabs(l[static_cast<std::size_t>(i)]), 50.0f);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(FiltersRatesPingPong, DelayAtExtremes,
                         ::testing::Combine(::testing::Values(8000.0f, 192000.0f),
                                            ::testing::Values(0.0f, 0.5f, 1.0f),
                                            ::testing::Bool()));

TEST(Delay, ProcessesWithoutAllocating)
{
    Delay d;
    d.setActive(true);
    d.setVolume(0.5f);
    d.setFeedback(0.7f);
    std::vector<float> l(4096, 0.1f), r(4096);
    const int before = allocGuard::count();
    {
        allocGuard::NoAllocScope guard;
        int round = 0;
        for (int frames : {1, 7, 64, 512, 4096})
        {
            d.setTune(0.25f * static_cast<float>(round % 5));
            d.setPingPong(round % 2 == 0);
            d.setTimeF(0.1f * static_cast<float>(round));
            d.setSamplePerBeat(100.0 + round, 44100.0);
            d.update();
            if (round == 3)
                d.setActive(false);
            d.process(l.data(), r.data(), frames);
            d.setActive(true);
            ++round;
        }
    }
    EXPECT_EQ(allocGuard::count(), before);
}
