#include "engine/WavetableOscillator.h"

#include "engine/noteTables.h"
#include "support/AllocGuard.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

using namespace quelvar;

namespace
{

constexpr long kOctave = 65536;
constexpr double kTableRate44 = 44100.0 / 1024.0; // 43.066 Hz: pitch 0 at 44100 Hz

// The voice's calling pattern: a refill at every multiple of 32 within each block.
class Oscillator : public testing::Test
{
protected:
    void SetUp() override
    {
        osc = std::make_unique<WavetableOscillator>();
        osc->initResampler();
        osc->setBlockSize(kBlock);
    }

    std::vector<float> render(int frames, long double noteFreq, float tuning = 0.5f,
                              double sampleRate = 44100.0)
    {
        std::vector<float> out;
        out.reserve(static_cast<std::size_t>(frames));
        while (static_cast<int>(out.size()) < frames)
        {
            const int block = std::min(kBlock, frames - static_cast<int>(out.size()));
            renderBlock(out, block, noteFreq, tuning, sampleRate);
        }
        return out;
    }

    void renderBlock(std::vector<float>& out, int block, long double noteFreq, float tuning,
                     double sampleRate)
    {
        osc->resetBlock();
        for (int i = 0; i < block; ++i)
        {
            if (i % WavetableOscillator::oscBlock == 0)
                osc->processResampler2(std::min(32, block - osc->bufferPos()), noteFreq, tuning,
                                       sampleRate);
            out.push_back(osc->sample(i));
        }
    }

    static constexpr int kBlock = 256;
    std::unique_ptr<WavetableOscillator> osc;
};

// Hertz from the saw's upward zero crossings (mid-ramp), interpolated between samples. The sum
// of neighbouring samples hides the band-limited ramp's ripple at Nyquist, and a crossing only
// counts after the ramp has been low again.
double sawFrequency(const std::vector<float>& y, double sampleRate)
{
    double first = -1.0;
    double last = -1.0;
    int count = 0;
    bool armed = false;
    for (std::size_t i = 2; i < y.size(); ++i)
    {
        const double a = y[i - 2] + y[i - 1];
        const double b = y[i - 1] + y[i];
        armed = armed || b < -1.0;
        if (armed && a < 0.0 && b >= 0.0)
        {
            const double t = static_cast<double>(i - 1) + a / (a - b);
            if (first < 0.0)
                first = t;
            last = t;
            ++count;
            armed = false;
        }
    }
    return count > 1 ? (count - 1) / (last - first) * sampleRate : 0.0;
}

// Share of samples within 0.3 of zero: about 0.3 for a saw, near 0 for a square.
double nearZeroShare(const std::vector<float>& y)
{
    int n = 0;
    for (float v : y)
        n += std::abs(v) < 0.3f;
    return static_cast<double>(n) / static_cast<double>(y.size());
}

struct PitchCase
{
    int note;
    float tuning;
    double sampleRate;
    double hz;
};

class OscillatorPitch : public Oscillator, public testing::WithParamInterface<PitchCase>
{
};

} // namespace

TEST_P(OscillatorPitch, SoundsAQuarterOfTheNoteFrequencyShiftedByTuning)
{
    const PitchCase& c = GetParam();
    const std::vector<float> y = render(44100, cNoteFreq[c.note], c.tuning, c.sampleRate);
    const std::vector<float> tail(y.begin() + 1024, y.end());
    EXPECT_NEAR(sawFrequency(tail, c.sampleRate) / c.hz, 1.0, 2e-4);
}

INSTANTIATE_TEST_SUITE_P(Oscillator, OscillatorPitch,
                         testing::Values(PitchCase{22, 0.5f, 44100.0, 110.0},
                                         PitchCase{22, 1.0f, 44100.0, 220.0},
                                         PitchCase{22, 0.0f, 44100.0, 55.0},
                                         PitchCase{1, 0.0f, 44100.0, 130.813 / 8.0},
                                         PitchCase{60, 1.0f, 96000.0, 3951.066 / 2.0},
                                         PitchCase{34, 0.5f, 22050.0, 220.0}));

TEST_F(Oscillator, PathAndLevelFollowTheFrequency)
{
    struct Case
    {
        double hz;
        int level;
        bool ovrspl;
    };
    const Case cases[] = {
        {43.0, 0, false},
        {43.07, 0, true},
        {kTableRate44 * 2.0 * 0.999, 0, true},
        {kTableRate44 * 2.0 * 1.001, 1, true},
        {kTableRate44 * 32.0 * 0.999, 4, true},
        {kTableRate44 * 32.0 * 1.001, 5, true},
    };
    for (const Case& c : cases)
    {
        render(64, 4.0L * c.hz);
        EXPECT_EQ(osc->player().get_level(), c.level) << c.hz;
        EXPECT_EQ(osc->player().is_oversampling(), c.ovrspl) << c.hz;
    }
}

TEST_F(Oscillator, PositionStaysInTheMiddleOfTheTableOnALongNote)
{
    // The highest note at the top tuning, at the lowest rate the oscillator runs: ten minutes.
    const double rate = 22050.0;
    const long double noteFreq = cNoteFreq[60];
    std::vector<float> out;
    out.reserve(kBlock);
    for (long block = 0; block < static_cast<long>(600 * rate) / kBlock; ++block)
    {
        out.clear();
        renderBlock(out, kBlock, noteFreq, 1.0f, rate);
        const std::uint64_t whole = osc->player().get_playback_pos() >> 32;
        // Folded to 16384-17408 at each refill, then at most 32 steps of ~91 samples further.
        ASSERT_LT(whole, 17408u + 32u * 92u) << block;
        ASSERT_TRUE(std::isfinite(out.back()));
    }
    const std::vector<float> y = render(4096, noteFreq, 1.0f, rate);
    EXPECT_NEAR(sawFrequency(y, rate) / (3951.066 / 2.0), 1.0, 1e-3);
}

TEST_F(Oscillator, RestKeepsThePitchAndNeverProducesNan)
{
    render(256, cNoteFreq[22]);
    const long pitch = osc->player().get_pitch();
    for (long double f : {0.0L, -5.0L, std::nanl("")})
    {
        const std::vector<float> y = render(1024, f);
        EXPECT_EQ(osc->player().get_pitch(), pitch);
        for (float v : y)
            ASSERT_TRUE(std::isfinite(v));
    }
}

TEST_F(Oscillator, DoesNothingBelow22050Hz)
{
    render(256, cNoteFreq[22]);
    const float before = osc->sample(5);
    osc->resetBlock();
    osc->processResampler2(32, cNoteFreq[40], 0.5f, 16000.0);
    EXPECT_EQ(osc->bufferPos(), 0);
    EXPECT_EQ(osc->sample(5), before);
}

TEST_F(Oscillator, WaveformSwitchesTablesOnlyOnChange)
{
    const long double f = 4.0L * 100.0L;
    EXPECT_GT(nearZeroShare(render(4410, f)), 0.25);

    osc->setWaveform(1);
    render(256, f);
    EXPECT_EQ(osc->waveform(), 1);
    EXPECT_LT(nearZeroShare(render(4410, f)), 0.05);

    osc->setWaveform(1); // same value: nothing changes
    EXPECT_LT(nearZeroShare(render(4410, f)), 0.05);

    osc->setWaveform(0);
    render(256, f);
    EXPECT_EQ(osc->waveform(), 0);
    EXPECT_GT(nearZeroShare(render(4410, f)), 0.25);
}

TEST_F(Oscillator, StaysInsideABufferSmallerThanTheRefills)
{
    osc->setBlockSize(40);
    osc->resetBlock();
    osc->processResampler2(32, cNoteFreq[22], 0.5f, 44100.0);
    osc->processResampler2(32, cNoteFreq[22], 0.5f, 44100.0); // only 8 samples of room
    osc->processResampler2(32, cNoteFreq[22], 0.5f, 44100.0); // none
    EXPECT_EQ(osc->bufferPos(), 96);
    EXPECT_NE(osc->sample(39), 0.0f);
    EXPECT_EQ(osc->sample(40), 0.0f);
    EXPECT_EQ(osc->sample(-1), 0.0f);

    WavetableOscillator unsized;
    unsized.initResampler();
    unsized.processResampler2(32, cNoteFreq[22], 0.5f, 44100.0);
    EXPECT_EQ(unsized.sample(0), 0.0f);
}

TEST_F(Oscillator, RenderingAllocatesNothing)
{
    std::vector<float> out;
    out.reserve(4 * kBlock);
    renderBlock(out, kBlock, cNoteFreq[10], 0.5f, 44100.0);
    out.clear();

    const int before = allocGuard::count();
    {
        allocGuard::NoAllocScope guard;
        for (int note : {1, 22, 60, 0, 35})
        {
            osc->setWaveform(note % 2);
            osc->resetPhase();
            renderBlock(out, kBlock, cNoteFreq[note], 0.3f, 48000.0);
            out.clear();
        }
    }
    EXPECT_EQ(allocGuard::count(), before);
}
