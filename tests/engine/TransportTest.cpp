#include "engine/noteTables.h"
#include "support/EngineHarness.h"

#include <gtest/gtest.h>

using namespace quelvar;

namespace
{
std::vector<long long> stepLengths(const std::vector<long long>& frames)
{
    std::vector<long long> lengths;
    for (std::size_t i = 1; i < frames.size(); ++i)
        lengths.push_back(frames[i] - frames[i - 1]);
    return lengths;
}

void plainNotes(Pattern& p, int count)
{
    p.setNBStep(count);
    for (int i = 0; i < count; ++i)
    {
        p.setStepNote(13, i);
        p.setStepSlide(false, i);
    }
}
} // namespace

TEST(Transport, StepsAtOneHundredTwentyAlternateBetweenTwoLengths)
{
    EngineHarness h;
    h.play();
    h.render(5 * 5513, 1);
    EXPECT_EQ(stepLengths(h.stepFrames), (std::vector<long long>{5513, 5512, 5513, 5512, 5513}));
    EXPECT_EQ(h.stepFrames.front(), 0);
}

TEST(Transport, InternalSyncKeepsItsOwnTempo)
{
    EngineHarness h;
    h.setTempo(90.0);
    h.engine().setParameter(kSyncType, 0.5f);
    h.engine().setParameter(kTempo, (140.0f - 40.0f) / 260.0f);
    h.engine().internalPlay();
    h.render(4 * 4725 + 1, 1);
    EXPECT_EQ(stepLengths(h.stepFrames), (std::vector<long long>{4725, 4725, 4725, 4725}));
}

TEST(Transport, HostStartingAtBeatFiveStartsStepFourAtOnce)
{
    EngineHarness h;
    h.play(5.0);
    h.render(1, 1);
    ASSERT_EQ(h.editor().steps.size(), 1u);
    EXPECT_EQ(h.editor().steps[0], 4);
    EXPECT_EQ(h.stepFrames[0], 0);
}

TEST(Transport, CountInBeforeBeatZeroLandsInsideThePattern)
{
    EngineHarness h;
    h.play(-1.0);
    h.render(22050 + 1, 1);
    // Beat -1 is step 12 of the 4-beat pattern; beat 0 is step 0 again.
    ASSERT_GE(h.editor().steps.size(), 5u);
    EXPECT_EQ(h.editor().steps[0], 12);
    EXPECT_EQ(h.editor().steps[4], 0);
}

TEST(Transport, HostLoopRelocatesWithoutAFade)
{
    EngineHarness h;
    h.play(0.0);
    h.render(8 * 22050);
    h.locate(0.0);
    h.render(1, 1);
    EXPECT_EQ(h.editor().steps.back(), 0);
    EXPECT_FALSE(h.engine().getTransport().stopFading());
}

TEST(Transport, GrooveDelaysOddStepsOnly)
{
    EngineHarness h;
    h.engine().setParameter(kGroove, 1.0f);
    h.play();
    h.render(4 * 5513 + 4200, 1);
    // 0.09375 beats at 22050 samples per beat is 2067.2 samples.
    EXPECT_EQ(h.stepFrames[1], 5513 + 2067);
    EXPECT_EQ(h.stepFrames[2], 11025);
    EXPECT_EQ(h.stepFrames[3], 16538 + 2067);
    EXPECT_EQ(h.stepFrames[4], 22050);
}

TEST(Transport, FreeSwitchStartsTheNewPatternAtTheNextSample)
{
    EngineHarness h;
    plainNotes(*h.engine().getSong().getPattern(1), 16);
    h.engine().setParameter(kPattSync, 0.0f);
    h.play();
    h.render(8000, 1);
    h.engine().setParameter(kTriggerPattern, 1.0f / 32.0f);
    EXPECT_EQ(h.engine().getCurrentPatternIndex(), 0);
    h.render(1, 1);
    EXPECT_EQ(h.engine().getCurrentPatternIndex(), 1);
    EXPECT_EQ(h.stepFrames.back(), 8000);
    EXPECT_EQ(h.editor().steps.back(), 0);
}

TEST(Transport, OneStepQuantumSwitchesOnTheNextStepBoundary)
{
    EngineHarness h;
    h.engine().setParameter(kPattSync, 0.25f);
    h.play();
    h.render(8000, 1);
    h.engine().setParameter(kTriggerPattern, 2.0f / 32.0f);
    h.render(2 * 5512 - 8000, 1);
    EXPECT_EQ(h.engine().getCurrentPatternIndex(), 0);
    h.render(1, 1);
    EXPECT_EQ(h.engine().getCurrentPatternIndex(), 2);
    EXPECT_EQ(h.stepFrames.back(), 2 * 5512);
}

TEST(Transport, AutoModeSwitchesAtTheEndOfThePass)
{
    EngineHarness h;
    h.play();
    h.render(3 * 5513 + 100, 64);
    h.engine().setParameter(kTriggerPattern, 5.0f / 32.0f);
    h.render(88200 - (3 * 5513 + 100), 64);
    EXPECT_EQ(h.engine().getCurrentPatternIndex(), 0);
    h.render(1, 1);
    EXPECT_EQ(h.engine().getCurrentPatternIndex(), 5);
}

TEST(Transport, TriggerWhileStoppedSwitchesAtOnce)
{
    EngineHarness h;
    h.engine().setParameter(kTriggerPattern, 7.0f / 32.0f);
    EXPECT_EQ(h.engine().getCurrentPatternIndex(), 7);
    EXPECT_GE(h.editor().displayUpdates, 1);
    h.play();
    h.render(1, 1);
    EXPECT_EQ(h.editor().steps.back(), 0);
}

TEST(Transport, SwitchingToMidiInFadesOutTheSequencer)
{
    EngineHarness h;
    h.play();
    h.render(4000);
    h.engine().setParameter(kSyncType, 1.0f);
    h.render(441 + 64);
    EXPECT_TRUE(h.engine().getTransport().sequencerStopped());
}

TEST(Transport, InternalToHostSyncRelocksWhileTheHostPlays)
{
    EngineHarness h;
    h.engine().setParameter(kSyncType, 0.5f);
    h.engine().internalPlay();
    h.render(3000);
    h.play(2.0);
    h.render(64);
    h.engine().setParameter(kSyncType, 0.0f);
    h.render(1, 1);
    EXPECT_EQ(h.editor().steps.back(), 8);
    EXPECT_FALSE(h.engine().getTransport().sequencerStopped());
}

TEST(Transport, InternalStopFadesThenStops)
{
    EngineHarness h;
    h.engine().setParameter(kSyncType, 0.5f);
    h.engine().internalPlay();
    h.render(3000);
    h.engine().internalStop();
    const std::vector<float> out = h.render(1024, 1024);
    EXPECT_EQ(peakOf(out, 442), 0.0f);
    EXPECT_FALSE(h.engine().getTransport().internalPlaying());
}

TEST(Transport, APatternBeingEditedKeepsPlayingAsItWasUntilTheEditEnds)
{
    EngineHarness h;
    Pattern& p = *h.engine().getCurrentPattern();
    plainNotes(p, 16);
    h.play();
    h.render(64);
    {
        const Pattern::Edit edit(p);
        for (int i = 0; i < 16; ++i)
            p.setStepNote(20, i);
        h.render(5513 * 2);
        EXPECT_EQ(h.engine().getVoice().noteFreq, cNoteFreq[13]);
    }
    h.render(5513 * 2);
    EXPECT_EQ(h.engine().getVoice().noteFreq, cNoteFreq[20]);
}

TEST(Transport, RecordedNotesReachTheSong)
{
    EngineHarness h;
    h.engine().setParameter(kStepRecord, 1.0f);
    h.queueMidi(0, 0x90, 40, 100);
    h.play();
    h.render(5513 * 2);
    EXPECT_EQ(h.engine().getCurrentPattern()->getStep(0)->note(), 5);
    EXPECT_EQ(h.engine().getCurrentPattern()->getStep(1)->note(), 5);
}
