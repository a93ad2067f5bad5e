#include "support/EngineHarness.h"

#include <gtest/gtest.h>

using namespace quelvar;

TEST(Panic, HeldLiveNotesReleaseAndStayReleased)
{
    EngineHarness h(Flavour::standalone);
    h.engine().setParameter(kSyncType, 1.0f);
    h.render(64);
    h.queueMidi(0, 0x90, 48, 100);
    h.queueMidi(0, 0x90, 55, 100);
    h.render(4096, 512);

    h.engine().panic();
    std::vector<float> out = h.render(1024, 1024);
    EXPECT_GT(peakOf(out, 0, 100), 0.001f);
    EXPECT_EQ(peakOf(out, 441), 0.0f);

    // The keys count as released: their late note-offs change nothing, a new note plays.
    h.queueMidi(0, 0x80, 55, 0);
    out = h.render(1024, 512);
    EXPECT_EQ(peakOf(out), 0.0f);
    h.queueMidi(0, 0x90, 50, 100);
    out = h.render(1024, 512);
    EXPECT_GT(peakOf(out), 0.001f);
}

TEST(Panic, SoundingSequencerNotesGetTheirNoteOffAtOnce)
{
    EngineHarness h(Flavour::standalone);
    h.engine().setParameter(kSyncType, 0.5f);
    h.engine().setParameter(kGate, 1.0f); // long gate: the first step is still sounding below
    h.engine().internalPlay();
    h.render(2048, 512);
    ASSERT_FALSE(h.midiOut.empty());
    ASSERT_EQ(h.midiOut.back().status, 0x90);
    const int note = h.midiOut.back().data1;
    const long long frame = h.framesRendered();

    h.engine().panic();
    h.render(64, 64);
    ASSERT_FALSE(h.midiOut.empty());
    EXPECT_EQ(h.midiOut.back(), (SentMidi{frame, 0x80, note, 0}));
}

// A full reset leaves nothing sounding: no release of the live voice, no echo of the delay, and
// the sequencer's notes get their note-offs. A panic alone lets the echoes ring on.
TEST(Panic, FullResetSilencesVoiceAndEchoesAtOnce)
{
    for (const bool fullReset : {false, true})
    {
        EngineHarness h(Flavour::plugin);
        h.engine().setParameter(kSyncType, 1.0f);
        h.engine().setParameter(kDelayOn, 1.0f);
        h.engine().setParameter(kDelayFeedback, 0.9f);
        h.engine().setParameter(kDistOn, 1.0f);
        h.render(64);
        h.queueMidi(0, 0x90, 48, 100);
        h.render(22050, 512);

        if (fullReset)
            h.engine().resetSound();
        else
            h.engine().panic();
        const std::vector<float> out = h.render(4096, 512);
        if (fullReset)
            EXPECT_LT(peakOf(out), 1e-6f);
        else
            EXPECT_GT(peakOf(out, 441), 0.01f);
    }
}
