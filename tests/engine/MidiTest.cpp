#include "sequencer/MidiOut.h"
#include "support/EngineHarness.h"

#include <gtest/gtest.h>

using namespace quelvar;

namespace
{
void setSteps(Pattern& p, std::initializer_list<int> notes)
{
    int i = 0;
    for (int n : notes)
    {
        p.setStepNote(n, i);
        p.setStepSlide(false, i);
        p.setStepAccent(false, i);
        ++i;
    }
    p.setNBStep(i);
}

std::vector<SentMidi> notesOnly(const std::vector<SentMidi>& all)
{
    std::vector<SentMidi> notes;
    for (const SentMidi& m : all)
        if (m.status == 0x90 || m.status == 0x80)
            notes.push_back(m);
    return notes;
}

} // namespace

namespace quelvar
{
void PrintTo(const SentMidi& m, std::ostream* os)
{
    *os << "{" << m.frame << ", " << std::hex << m.status << std::dec << ", " << m.data1 << ", "
        << m.data2 << "}";
}
} // namespace quelvar

TEST(MidiIn, LowNoteInHostSyncSelectsAPatternAndEchoes)
{
    EngineHarness h;
    h.queueMidi(0, 0x90, 5, 100);
    h.render(64);
    EXPECT_EQ(h.engine().getCurrentPatternIndex(), 5);
    EXPECT_FLOAT_EQ(h.engine().getParameter(kTriggerPattern), 5.0f / 32.0f);
    ASSERT_FALSE(h.editor().midi.empty());
    EXPECT_EQ(h.editor().midi[0], (std::array<int, 3>{0x90, 5, 100}));
    EXPECT_EQ(h.engine().getVoice().noteFreq, 0.0L);
}

TEST(MidiIn, PluginIgnoresTriggersInInternalSyncStandaloneTakesThem)
{
    for (Flavour flavour : {Flavour::plugin, Flavour::standalone})
    {
        EngineHarness h(flavour);
        h.engine().setParameter(kSyncType, 0.5f);
        h.queueMidi(0, 0x90, 9, 100);
        h.render(64);
        EXPECT_EQ(h.engine().getCurrentPatternIndex(), flavour == Flavour::plugin ? 0 : 9);
        EXPECT_EQ(h.editor().midi.size(), 1u);
    }
}

TEST(MidiIn, HeldKeyIsRecordedIntoEveryStepWithAccentAboveTheThreshold)
{
    for (auto [velocity, accent] : {std::pair{100, true}, std::pair{82, false}})
    {
        EngineHarness h;
        h.engine().setParameter(kStepRecord, 1.0f);
        h.queueMidi(0, 0x90, 60, velocity);
        h.play();
        h.render(3 * 5512); // steps 0–2; step 3 starts at 16538
        const Pattern& p = *h.engine().getCurrentPattern();
        for (int i = 0; i < 3; ++i)
        {
            EXPECT_EQ(p.getStep(i)->note(), 25);
            EXPECT_EQ(p.getStep(i)->accent(), accent) << velocity;
        }
        EXPECT_EQ(p.getStep(3)->note(), 14);
    }
}

TEST(MidiIn, TwoHeldKeysAlternateInPressOrder)
{
    EngineHarness h;
    h.engine().setParameter(kStepRecord, 1.0f);
    h.queueMidi(0, 0x90, 48, 90);
    h.queueMidi(1, 0x90, 55, 90);
    h.play();
    h.render(5513 * 4);
    const Pattern& p = *h.engine().getCurrentPattern();
    EXPECT_EQ(p.getStep(0)->note(), 13);
    EXPECT_EQ(p.getStep(1)->note(), 20);
    EXPECT_EQ(p.getStep(2)->note(), 13);
    EXPECT_EQ(p.getStep(3)->note(), 20);
}

TEST(MidiIn, PitchWheelUpSetsSlidesWhileRecording)
{
    EngineHarness h;
    Pattern& p = *h.engine().getCurrentPattern();
    setSteps(p, {1, 2, 3, 4, 5, 6, 7, 8});
    h.engine().setParameter(kStepRecord, 1.0f);
    h.queueMidi(0, 0xE0, 0, 127);
    h.play();
    h.render(5513 * 2);
    h.queueMidi(0, 0xE0, 0, 64);
    h.render(5513 * 2);
    EXPECT_TRUE(p.getStep(0)->slide());
    EXPECT_TRUE(p.getStep(1)->slide());
    EXPECT_FALSE(p.getStep(3)->slide());
    EXPECT_EQ(p.getStep(0)->note(), 1);
}

TEST(MidiOut, NotesAndReleasesAtTheirFrames)
{
    EngineHarness h;
    setSteps(*h.engine().getCurrentPattern(), {13, 13, 15, 0});
    h.play();
    h.render(5513 * 3, 128);
    const std::vector<SentMidi> expected = {
        {0, 0x90, 48, 64},    {2611, 0x80, 48, 0},  {5513, 0x90, 48, 64},
        {8124, 0x80, 48, 0},  {11025, 0x90, 50, 64}, {13636, 0x80, 50, 0}};
    EXPECT_EQ(notesOnly(h.midiOut), expected);
}

TEST(MidiOut, SlideIntoAnotherNoteEndsTheOldOneMidNextBlock)
{
    EngineHarness h;
    Pattern& p = *h.engine().getCurrentPattern();
    setSteps(p, {13, 20, 0, 0});
    p.setStepSlide(true, 0);
    h.play();
    h.render(5632 + 256, 256);
    const std::vector<SentMidi> notes = notesOnly(h.midiOut);
    ASSERT_GE(notes.size(), 3u);
    EXPECT_EQ(notes[0], (SentMidi{0, 0x90, 48, 64}));
    EXPECT_EQ(notes[1], (SentMidi{5513, 0x90, 55, 64}));
    // Step 1 starts in the block that begins at frame 5376; the next block starts at 5632.
    EXPECT_EQ(notes[2], (SentMidi{5632 + 128, 0x80, 48, 0}));
}

TEST(MidiOut, ARestSendsNothingAndTheNextNoteIsSentAgain)
{
    EngineHarness h;
    setSteps(*h.engine().getCurrentPattern(), {13, 0, 13, 0});
    h.play();
    h.render(5513 * 3, 64);
    const std::vector<SentMidi> notes = notesOnly(h.midiOut);
    ASSERT_EQ(notes.size(), 4u);
    EXPECT_EQ(notes[2], (SentMidi{11025, 0x90, 48, 64}));
}

TEST(MidiOut, StoppingTheHostEndsTheSoundingNoteInTheFirstSilentBlock)
{
    EngineHarness h;
    setSteps(*h.engine().getCurrentPattern(), {13, 13, 13, 13});
    h.play();
    h.render(1000, 500);
    h.stop();
    h.render(512, 512); // the fade
    const long long silentBlock = h.framesRendered();
    h.render(512, 512);
    const std::vector<SentMidi> notes = notesOnly(h.midiOut);
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[1], (SentMidi{silentBlock, 0x80, 48, 0}));
}

TEST(MidiOut, TheRingHoldsTwoHundredFiftyFourMessages)
{
    MidiOut out;
    for (int i = 0; i < 300; ++i)
        out.addMidiMsg(kNoteOn, i % 128, 100, i);
    MidiOutList list;
    out.PrepareEventList(list, 0, 511);
    EXPECT_EQ(list.size(), 254);
    list.clear();
    out.PrepareEventList(list, 0, 511);
    EXPECT_TRUE(list.empty());
}

TEST(MidiIn, NotesAndVelocitiesOutsideTheRangeAreIgnored)
{
    EngineHarness h(Flavour::standalone);
    h.engine().setParameter(kStepRecord, 1.0f);
    for (int status : {0x90, 0x80, 0xE0})
        for (int value : {128, 200, 255})
        {
            h.queueMidi(0, status, value, 100);
            h.queueMidi(0, status, 60, value);
        }
    h.play();
    EXPECT_TRUE(allFinite(h.render(6000)));
    for (const auto& message : h.editor().midi)
        EXPECT_EQ(message[0], 0xFA) << "only the host start reaches the editor";
    h.engine().play(-1, 100);
    h.engine().play(4000, 100);
    h.engine().stop(128, 0);
    EXPECT_TRUE(allFinite(h.render(512)));
}

TEST(MidiIn, MoreThanSixtyFourNotesInOneBlockAreDropped)
{
    EngineHarness h;
    h.engine().setParameter(kSyncType, 1.0f);
    for (int i = 0; i < 200; ++i)
        h.queueMidi(i % 64, (i % 2) ? 0x80 : 0x90, 36 + i % 60, 100);
    EXPECT_TRUE(allFinite(h.render(512)));
}
