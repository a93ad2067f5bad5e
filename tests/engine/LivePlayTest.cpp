#include "engine/noteTables.h"
#include "sequencer/Step.h"
#include "support/EngineHarness.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace quelvar;

namespace
{
// MIDI-in sync with the sequencer's fade already over.
void enterMidiIn(EngineHarness& h)
{
    h.engine().setParameter(kSyncType, 1.0f);
    h.render(64);
}

long double frequencyOfNote(int midiNote)
{
    return cNoteFreq[midiNote - kMidiNoteOffset];
}
} // namespace

TEST(LivePlay, SecondKeySlidesWithoutRetriggerAndBackOnRelease)
{
    EngineHarness h;
    enterMidiIn(h);
    const Voice& v = h.engine().getVoice();
    h.queueMidi(0, 0x90, 48, 100);
    h.render(1000);
    EXPECT_EQ(v.noteFreq, frequencyOfNote(48));
    const long double env = v.filterEnv;
    h.queueMidi(0, 0x90, 55, 100);
    h.render(5512 + 64, 64);
    EXPECT_NEAR(static_cast<double>(v.noteFreq / frequencyOfNote(55)), 1.0, 1e-6);
    EXPECT_LT(v.filterEnv, env);
    h.queueMidi(0, 0x80, 55, 0);
    h.render(5512 + 64, 64);
    EXPECT_NEAR(static_cast<double>(v.noteFreq / frequencyOfNote(48)), 1.0, 1e-6);
}

TEST(LivePlay, ReleasingAllKeysFadesOverFourHundredFortyOneSamples)
{
    EngineHarness h;
    enterMidiIn(h);
    h.queueMidi(0, 0x90, 48, 100);
    h.render(4096, 512);
    h.queueMidi(0, 0x80, 48, 0);
    const std::vector<float> out = h.render(1024, 1024);
    EXPECT_GT(peakOf(out, 0, 200), 0.001f);
    EXPECT_EQ(peakOf(out, 441), 0.0f);
}

TEST(LivePlay, FreshNoteDuringTheFadeDeclicksOverAHundredTenSamples)
{
    EngineHarness h;
    enterMidiIn(h);
    h.engine().setParameter(kDecay, 1.0f);
    h.queueMidi(0, 0x90, 48, 100);
    h.render(4096, 512);
    h.queueMidi(0, 0x80, 48, 0);
    h.render(100, 100);
    // The first output of the new note carries the last output of the old one.
    h.queueMidi(0, 0x90, 60, 100);
    const std::vector<float> out = h.render(200, 200);
    EXPECT_NE(out[0], 0.0f);
    float biggestJump = 0.0f;
    for (std::size_t i = 1; i < 120; ++i)
        biggestJump = std::max(biggestJump, std::fabs(out[i] - out[i - 1]));
    EXPECT_LT(biggestJump, 0.2f);
}

TEST(LivePlay, VelocityAboveEightyTwoAccentsNoteOffsNever)
{
    EngineHarness h;
    enterMidiIn(h);
    const Voice& v = h.engine().getVoice();
    h.queueMidi(0, 0x90, 48, 82);
    h.render(1);
    EXPECT_EQ(v.accentReso, 0.0L);
    h.queueMidi(0, 0x80, 48, 0);
    h.render(1000);
    h.queueMidi(0, 0x90, 50, 83);
    h.render(1);
    EXPECT_GT(v.accentReso, 0.5L);
    h.queueMidi(0, 0x90, 52, 100);
    h.render(4000);
    const long double before = v.accentEnv;
    h.queueMidi(0, 0x80, 52, 127);
    h.render(1);
    EXPECT_LE(v.accentEnv, before);
}

TEST(LivePlay, StandaloneThresholdIsSettable)
{
    EngineHarness h(Flavour::standalone);
    h.engine().setAccentThreshold(40);
    EXPECT_EQ(h.engine().getAccentThreshold(), 40);
    enterMidiIn(h);
    h.queueMidi(0, 0x90, 48, 41);
    h.render(1);
    EXPECT_GT(h.engine().getVoice().accentReso, 0.5L);

    EngineHarness plugin(Flavour::plugin);
    plugin.engine().setAccentThreshold(40);
    EXPECT_EQ(plugin.engine().getAccentThreshold(), 82);
}

TEST(LivePlay, NotesAtOneFrameApplyInTheirOrder)
{
    EngineHarness h;
    enterMidiIn(h);
    h.queueMidi(10, 0x90, 48, 100);
    h.queueMidi(20, 0x90, 50, 100);
    h.queueMidi(30, 0x80, 50, 0);
    h.render(1, 1);
    // 48 fresh, 50 legato, 50 released: the slide goes back towards 48 from sample 0.
    const Voice& v = h.engine().getVoice();
    EXPECT_EQ(v.samplesInNote, 1);
    EXPECT_LT(v.slideFactor, 1.0L + 1e-12L);
}

struct NoteFrameCase
{
    const char* name;
    Flavour flavour;
    bool antialiasOff;
    bool atTheirFrame;
};

class LiveNoteFrames : public testing::TestWithParam<NoteFrameCase>
{
};

// Plugins play a note at its frame, as does the standalone program with its antialias switch
// off; with it on, the standalone plays a block's notes at its first frame.
TEST_P(LiveNoteFrames, ANoteSoundsAtItsFrameOrAtTheBlockStart)
{
    EngineHarness h(GetParam().flavour);
    if (GetParam().antialiasOff)
        h.engine().setParameter(kAntialias, 0.0f);
    enterMidiIn(h);
    h.queueMidi(100, 0x90, 48, 100);
    const std::vector<float> out = h.render(256, 256);
    if (GetParam().atTheirFrame)
        EXPECT_EQ(peakOf(out, 0, 100), 0.0f);
    else
        EXPECT_GT(peakOf(out, 0, 100), 0.0f);
    EXPECT_GT(peakOf(out, 100), 0.0f);
}

INSTANTIATE_TEST_SUITE_P(
    Flavours, LiveNoteFrames,
    testing::Values(NoteFrameCase{"plugin", Flavour::plugin, false, true},
                    NoteFrameCase{"standaloneAntialiasOff", Flavour::standalone, true, true},
                    NoteFrameCase{"standaloneAntialiasOn", Flavour::standalone, false, false}),
    [](const testing::TestParamInfo<NoteFrameCase>& info) { return std::string(info.param.name); });

TEST(LivePlay, KeyboardNotesFromAnotherThreadReachTheVoiceAtTheNextBlock)
{
    EngineHarness h;
    enterMidiIn(h);
    h.engine().play(60, 100);
    EXPECT_EQ(h.engine().getVoice().noteFreq, 0.0L);
    h.render(64);
    EXPECT_EQ(h.engine().getVoice().noteFreq, frequencyOfNote(60));
    h.engine().stop(60, 0);
    h.render(1024);
    EXPECT_EQ(peakOf(h.render(256)), 0.0f);
}

TEST(LivePlay, FreshNoteOutsideTheRangeRestartsButSetsNoPitch)
{
    EngineHarness h;
    enterMidiIn(h);
    h.queueMidi(0, 0x90, 20, 100);
    h.render(64);
    EXPECT_EQ(h.engine().getVoice().noteFreq, 0.0L);
    EXPECT_EQ(peakOf(h.render(256)), 0.0f);
}

TEST(LivePlay, LowRatePathPlaysLiveNotes)
{
    EngineHarness h(Flavour::plugin, 11025.0, 256);
    enterMidiIn(h);
    h.queueMidi(0, 0x90, 48, 100);
    const std::vector<float> out = h.render(4096, 256);
    EXPECT_TRUE(allFinite(out));
    EXPECT_GT(peakOf(out), 0.01f);
}

// A host block longer than the prepared size is rendered in pieces; its notes play once, where
// they are, as if the host had sent the pieces as blocks.
class LivePlayLongBlock : public testing::TestWithParam<double>
{
};

TEST_P(LivePlayLongBlock, NotesOfABlockLongerThanPreparedPlayOnce)
{
    std::vector<float> pieces[2];
    for (int split = 0; split < 2; ++split)
    {
        EngineHarness h(Flavour::standalone, GetParam(), 512);
        h.engine().setParameter(kAntialias, 0.0f);
        enterMidiIn(h);
        h.queueMidi(100, 0x90, 48, 100);
        h.queueMidi(300, 0x80, 48, 0);
        pieces[split] = h.render(2048, split == 0 ? 2048 : 512);
    }
    EXPECT_GT(peakOf(pieces[0], 100, 300), 0.01f);
    EXPECT_EQ(peakOf(pieces[0], 1024), 0.0f) << "the note came back";
    EXPECT_EQ(pieces[0], pieces[1]);
}

INSTANTIATE_TEST_SUITE_P(Rates, LivePlayLongBlock, testing::Values(44100.0, 16000.0));
