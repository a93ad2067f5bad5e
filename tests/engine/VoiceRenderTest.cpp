#include "engine/noteTables.h"
#include "support/AllocGuard.h"
#include "support/EngineHarness.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <new>

using namespace quelvar;

namespace
{
void fillPattern(Pattern& p, int count, int note, bool slide, bool accent)
{
    p.setNBStep(count);
    for (int i = 0; i < count; ++i)
    {
        p.setStepNote(note, i);
        p.setStepSlide(slide, i);
        p.setStepAccent(accent, i);
    }
}

// One long note: every step slides into the next, so the voice never releases.
void holdNote(EngineHarness& h, int note)
{
    fillPattern(*h.engine().getCurrentPattern(), 16, note, true, false);
    h.engine().setParameter(kDecay, 1.0f);
    h.engine().setParameter(kEnvMod, 0.0f);
    h.engine().setParameter(kCutoff, 0.6f);
    h.engine().setParameter(kResonance, 0.0f);
    h.engine().setStepLength();
}

// Renders one sample at a time until the given number of steps have started.
void renderUntilSteps(EngineHarness& h, std::size_t steps)
{
    while (h.editor().steps.size() < steps)
        h.render(1, 1);
}

struct PitchCase
{
    Flavour flavour;
    float antialias;
    float tuning;
    double hz;
};

class VoicePitch : public testing::TestWithParam<PitchCase>
{
};
} // namespace

TEST_P(VoicePitch, NoteTwentyTwoFollowsTuning)
{
    const PitchCase c = GetParam();
    EngineHarness h(c.flavour);
    holdNote(h, 22);
    h.engine().setParameter(kAntialias, c.antialias);
    h.engine().setParameter(kTuning, c.tuning);
    h.play();
    h.render(8820);
    const std::vector<float> tone = h.render(22050);
    EXPECT_NEAR(dominantFrequency(tone, 44100.0, 40.0, 400.0), c.hz, c.hz * 0.003);
}

INSTANTIATE_TEST_SUITE_P(
    WavetableAndNaive, VoicePitch,
    testing::Values(PitchCase{Flavour::plugin, 1.0f, 0.5f, 110.0},
                    PitchCase{Flavour::plugin, 1.0f, 1.0f, 220.0},
                    PitchCase{Flavour::plugin, 1.0f, 0.0f, 55.0},
                    PitchCase{Flavour::standalone, 0.0f, 0.5f, 110.0},
                    PitchCase{Flavour::standalone, 0.0f, 1.0f, 220.0},
                    PitchCase{Flavour::standalone, 0.0f, 0.0f, 55.0}));

TEST(VoiceRender, SlideReachesTheNewPitchAfterExactlyOneStepWithoutRetrigger)
{
    EngineHarness h;
    Pattern& p = *h.engine().getCurrentPattern();
    fillPattern(p, 4, 0, false, false);
    p.setStepNote(10, 0);
    p.setStepSlide(true, 0);
    p.setStepNote(22, 1);
    h.engine().setStepLength();
    h.play();
    renderUntilSteps(h, 2); // step 1 starts: the slide begins
    const Voice& v = h.engine().getVoice();
    EXPECT_EQ(v.slideActive, 1);
    const long double envAtSlideStart = v.filterEnv;
    EXPECT_LT(envAtSlideStart, 4.0L);
    // One sample of the slide has passed; the step is 5512 samples long.
    h.render(5511, 1);
    EXPECT_NEAR(static_cast<double>(v.noteFreq / cNoteFreq[22]), 1.0, 1e-6);
    EXPECT_LT(v.filterEnv, envAtSlideStart);
}

TEST(VoiceRender, SlideFromARestRetriggers)
{
    EngineHarness h;
    Pattern& p = *h.engine().getCurrentPattern();
    fillPattern(p, 4, 0, true, false);
    p.setStepNote(22, 1);
    h.engine().setStepLength();
    h.play();
    renderUntilSteps(h, 2);
    const Voice& v = h.engine().getVoice();
    EXPECT_EQ(v.slideActive, 0);
    EXPECT_EQ(v.noteFreq, cNoteFreq[22]);
}

TEST(VoiceRender, AccentsBuildUpAndStopAtFour)
{
    // At 300 BPM the smoothed accent has no time to fall between steps, so accents pile up.
    EngineHarness h;
    h.setTempo(300.0);
    fillPattern(*h.engine().getCurrentPattern(), 16, 13, false, true);
    h.engine().setStepLength();
    h.play();
    const Voice& v = h.engine().getVoice();
    constexpr long double kDecrement = 0.00044444445L;
    bool capped = false;
    long double smoothBefore = v.accentEnvSmooth;
    while (h.editor().steps.size() < 24)
    {
        const std::size_t stepsBefore = h.editor().steps.size();
        h.render(1, 1);
        if (h.editor().steps.size() > stepsBefore)
        {
            const long double atStart = v.accentEnv + kDecrement;
            EXPECT_LE(atStart, 4.0L + 1e-12L);
            if (smoothBefore > 2.0L)
            {
                EXPECT_NEAR(static_cast<double>(atStart), 4.0, 1e-12);
                capped = true;
            }
            else
            {
                EXPECT_NEAR(static_cast<double>(atStart),
                            static_cast<double>(smoothBefore + 2.0L), 1e-12);
            }
        }
        smoothBefore = v.accentEnvSmooth;
    }
    EXPECT_TRUE(capped);
}

TEST(VoiceRender, GateMovesTheReleasePoint)
{
    const std::pair<float, int> cases[] = {{0.0f, 407}, {0.5f, 2611}, {1.0f, 4815}};
    for (auto [gate, expected] : cases)
    {
        EngineHarness h;
        fillPattern(*h.engine().getCurrentPattern(), 16, 13, false, false);
        h.engine().setStepLength();
        h.engine().setParameter(kGate, gate);
        h.play();
        const Voice& v = h.engine().getVoice();
        int releasedAt = -1;
        for (int i = 0; i < 5512 && releasedAt < 0; ++i)
        {
            h.render(1, 1);
            if (v.voiceOff)
                releasedAt = i;
        }
        EXPECT_EQ(releasedAt, expected) << "gate " << gate;
    }
}

TEST(VoiceRender, DecayOneHoldsTheFilterEnvelope)
{
    EngineHarness h;
    fillPattern(*h.engine().getCurrentPattern(), 16, 13, false, false);
    h.engine().setStepLength();
    h.engine().setParameter(kDecay, 1.0f);
    h.play();
    h.render(5000);
    EXPECT_EQ(h.engine().getVoice().filterEnv, 4.0L);
}

TEST(VoiceRender, RendersTheDefaultPatternAudiblyInHostSync)
{
    EngineHarness h;
    h.play();
    const std::vector<float> out = h.render(44100);
    EXPECT_TRUE(allFinite(out));
    EXPECT_GT(peakOf(out), 0.1f);
    // The voice is mono; the volume smoother gives each side its own step, so once it has
    // settled both sides agree to a rounding error.
    for (std::size_t i = 4410; i < out.size(); ++i)
        ASSERT_NEAR(out[i], h.lastRight[i], 1e-6f) << i;
}

TEST(VoiceRender, StoppedHostGivesSilence)
{
    EngineHarness h;
    const std::vector<float> out = h.render(4096);
    EXPECT_EQ(peakOf(out), 0.0f);
}

TEST(VoiceRender, HostStopFadesOverFourHundredFortyOneSamples)
{
    EngineHarness h;
    fillPattern(*h.engine().getCurrentPattern(), 16, 13, true, false);
    h.engine().setParameter(kDecay, 1.0f);
    h.engine().setStepLength();
    h.play();
    h.render(20000);
    h.stop();
    const std::vector<float> out = h.render(2048, 2048);
    EXPECT_GT(peakOf(out, 0, 100), 0.01f);
    EXPECT_GT(peakOf(out, 300, 400), 0.0f);
    EXPECT_EQ(peakOf(out, 442), 0.0f);
    EXPECT_TRUE(h.engine().getTransport().sequencerStopped());
}

TEST(VoiceRender, OutOfRangeNotesPlayAsRests)
{
    EngineHarness h;
    Pattern& p = *h.engine().getCurrentPattern();
    fillPattern(p, 4, 61, false, false);
    p.setStepNote(-3, 1);
    p.setStepNote(1000, 2);
    p.setStepNote(std::numeric_limits<int>::min(), 3);
    h.play();
    const std::vector<float> out = h.render(22050);
    EXPECT_TRUE(allFinite(out));
    EXPECT_EQ(h.engine().getVoice().noteFreq, 0.0L);
}

TEST(VoiceRender, BadSampleRatesStayFinite)
{
    for (float rate : {0.0f, -44100.0f, std::numeric_limits<float>::quiet_NaN(),
                       std::numeric_limits<float>::infinity(), 1.0f, 8000.0f, 192000.0f})
    {
        EngineHarness h(Flavour::plugin, 44100.0, 256);
        h.engine().setSampleRate(rate);
        h.engine().setBlockSize(256);
        h.engine().resume();
        h.play();
        EXPECT_TRUE(allFinite(h.render(8192, 256))) << rate;
    }
}

TEST(VoiceRender, HostTimeWithBadTempoOrRateStaysFinite)
{
    EngineHarness h;
    h.play();
    for (double tempo : {0.0, -120.0, 1e-300, 1e300, std::numeric_limits<double>::quiet_NaN()})
    {
        h.time.tempo = tempo;
        h.time.sampleRate = tempo;
        h.time.ppqPosition = tempo;
        h.locate(tempo);
        EXPECT_TRUE(allFinite(h.render(2048))) << tempo;
    }
}

TEST(VoiceRender, LongHostBlocksRenderInPieces)
{
    EngineHarness pieces(Flavour::plugin, 44100.0, 512);
    EngineHarness whole(Flavour::plugin, 44100.0, 512);
    pieces.play();
    whole.play();
    const std::vector<float> a = pieces.render(40000, 512);
    const std::vector<float> b = whole.render(40000, 20000);
    ASSERT_TRUE(allFinite(b));
    EXPECT_GT(peakOf(b), 0.1f);
    // The step clock does not care how the host cuts its blocks.
    EXPECT_EQ(pieces.engine().getTransport().stepPosition(),
              whole.engine().getTransport().stepPosition());
}

TEST(VoiceRender, LowRatePathRendersRatioTimesTheFrames)
{
    const std::pair<double, double> cases[] = {{11025.0, 1024.0}, {16000.0, 706.0}};
    for (auto [rate, internal] : cases)
    {
        EngineHarness h(Flavour::plugin, rate, 256);
        h.play();
        h.render(256, 256);
        const double before = h.engine().getTransport().sampleClockValue();
        h.render(256, 256);
        EXPECT_EQ(h.engine().getTransport().sampleClockValue() - before, internal) << rate;
    }
}

TEST(VoiceRender, LowRatePathPlaysTheNaiveWaveformsWithAntialiasOn)
{
    EngineHarness h(Flavour::plugin, 16000.0, 512);
    holdNote(h, 22);
    h.play();
    h.render(4000, 512);
    const std::vector<float> tone = h.render(8000, 512);
    EXPECT_TRUE(allFinite(tone));
    EXPECT_NEAR(dominantFrequency(tone, 16000.0, 40.0, 400.0), 110.0, 1.0);
}

// The dispatcher swallows the exception of a failed allocation; the engine must then not render
// into the buffers it could not size, and resume() tries again.
TEST(VoiceRender, BuffersAFailedAllocationLeftShortAreNotRenderedInto)
{
    for (bool lowRate : {true, false})
    {
        EngineHarness h(Flavour::plugin, 44100.0, 512);
        h.play();
        h.render(2048, 512);
        const int block = lowRate ? 512 : 4096;
        {
            allocGuard::FailAllocScope outOfMemory;
            if (lowRate)
            {
                h.time.sampleRate = 8000.0;
                EXPECT_THROW(h.engine().setSampleRate(8000.0f), std::bad_alloc);
            }
            else
                EXPECT_THROW(h.engine().setBlockSize(block), std::bad_alloc);
        }
        EXPECT_EQ(peakOf(h.render(4 * block, block)), 0.0f) << lowRate;
        h.engine().resume();
        EXPECT_GT(peakOf(h.render(16384, block)), 0.01f) << lowRate;
    }
}

// Everything the audio thread meets: automation of every slot (chain play among them, with a
// chain to play), each sync mode, pattern triggers, MIDI notes, pitch bend, clock and sysex, every slot moved by its controller and a learn,
// program changes past the trigger slot's patterns, step recording, live notes from MIDI and
// from the keyboard, a randomise request and a panic, at the normal and the low rate, in both
// flavours.
TEST(VoiceRender, RenderingAllocatesNothing)
{
    char dump[] = {static_cast<char>(0xF0), 0x7E, 0x7F, 0x06, 0x01, static_cast<char>(0xF7)};
    VstMidiSysexEvent sysex{};
    sysex.type = kVstSysExType;
    sysex.byteSize = sizeof sysex;
    sysex.dumpBytes = sizeof dump;
    sysex.sysexDump = dump;
    VstEventArray<1> sysexList{};
    sysexList.numEvents = 1;
    sysexList.events[0] = reinterpret_cast<VstEvent*>(&sysex);

    for (Flavour flavour : {Flavour::plugin, Flavour::standalone})
        for (double rate : {44100.0, 16000.0})
        {
            EngineHarness h(flavour, rate, 512);
            h.engine().setParameter(kDelayOn, 1.0f);
            h.engine().setParameter(kDistOn, 1.0f);
            h.engine().setParameter(kStepRecord, 1.0f);
            ChainEntries chain;
            for (int k : {0, 3, 0, 7})
                chain.append(k);
            h.engine().setChain(chain);
            h.engine().getSong().getPattern(3)->setNBStep(1);
            h.play();
            h.render(4096, 512);
            std::vector<float> left(512), right(512);
            const int before = allocGuard::count();
            {
                allocGuard::NoAllocScope guard;
                int slot = 0;
                for (float sync : {0.0f, 0.5f, 1.0f})
                {
                    h.engine().setParameter(kSyncType, sync);
                    h.engine().internalPlay();
                    for (int frames : {1, 7, 64, 512})
                    {
                        h.engine().setParameter(slot, 0.37f);
                        slot = (slot + 1) % kNumParams;
                        h.engine().setParameter(kTriggerPattern, 3.0f / 32.0f);
                        h.queueMidi(0, 0x90, 40 + frames % 20, 100);
                        h.queueMidi(0, 0xE0, 0, 0x60);
                        h.queueMidi(0, 0xF8, 0, 0);
                        h.queueMidi(frames - 1, 0x80, 40 + frames % 20, 0);
                        h.queueMidi(frames / 2, 0x90, 60, 90);
                        // The loop chooses the sync type itself.
                        for (int moved = 0; moved < kNumParams; ++moved)
                            if (const int cc = h.engine().controllerOf(moved);
                                cc >= 0 && moved != kSyncType)
                                h.queueMidi(0, 0xB0, cc, (frames * 13 + moved) % 128);
                        h.engine().learnController(kTriggerPattern);
                        h.queueMidi(0, 0xB0, 60 + frames % 4, 64);
                        h.queueMidi(0, 0xC0, 33 + frames % 30, 0);
                        h.engine().processEvents(sysexList.get());
                        h.engine().play(50, 110);
                        h.engine().stop(50, 0);
                        h.engine().PatternRandom1(-1);
                        if (frames == 64)
                            h.engine().panic();
                        h.renderInto(left.data(), right.data(), frames, frames);
                    }
                }
            }
            EXPECT_EQ(allocGuard::count(), before) << rate;
        }
}
